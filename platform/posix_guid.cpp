// CoCreateGuid over the system's random source: a version 4 (random) identifier.
#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/random.h>
#include <unistd.h>

#include "platform/win32.h"

namespace {

const HRESULT kFail = HRESULT(0x80004005u);        // E_FAIL
const HRESULT kInvalidArg = HRESULT(0x80070057u);  // E_INVALIDARG

bool RandomBytes(uint8_t* out, size_t n)
{
    size_t got = 0;
    while (got < n) {
        ssize_t r = getrandom(out + got, n - got, 0);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        got += size_t(r);
    }
    if (got == n) return true;
    // Kernels without getrandom: the device gives the same bytes.
    int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    while (got < n) {
        ssize_t r = read(fd, out + got, n - got);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        got += size_t(r);
    }
    close(fd);
    return got == n;
}

}  // namespace

HRESULT CoCreateGuid(GUID* guid)
{
    if (!guid) return kInvalidArg;
    uint8_t bytes[16];
    if (!RandomBytes(bytes, sizeof bytes)) return kFail;
    memcpy(guid, bytes, sizeof bytes);
    guid->Data3 = uint16_t((guid->Data3 & 0x0FFF) | 0x4000);  // version 4
    guid->Data4[0] = uint8_t((guid->Data4[0] & 0x3F) | 0x80);  // RFC 4122 variant
    return S_OK;
}
