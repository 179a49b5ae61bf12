// Filling the image part's error value.
#include "image/image_error.h"

#include <stdarg.h>
#include <stdio.h>

#include "platform/file_facts.h"

int FailImage(ImageError& e, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    vsnprintf(e.text, sizeof e.text, format, args);
    va_end(args);
    return 0;
}

void SetSystemError(ImageError& e, const char* file, DWORD error)
{
    snprintf(e.file, sizeof e.file, "%s", file ? file : "");
    e.error = error;
    SystemErrorText(error, e.reason, sizeof e.reason);
}
