// Growable arrays of counted strings and of signed 32-bit integers, with a fixed stream form.
#pragma once

#include <stdint.h>

#include "core/rc_string.h"

class Stream;

class Serializable {
public:
    virtual ~Serializable() {}
    virtual int32_t TypeTag() const { return 0; }  // no class in the program needs a tag
    virtual int32_t Load(Stream&) { return 1; }
    virtual int32_t Save(Stream&) const { return 1; }
};

class StringArray : public Serializable {
public:
    StringArray() : data(nullptr), count(0), capacity(0), growBy(0) {}
    ~StringArray() override;
    StringArray(const StringArray&) = delete;
    StringArray& operator=(const StringArray&) = delete;

    // Grows by growBy (0: count / 8 within 4 .. 1024); growByValue -1 keeps the stored step.
    // Returns 1, or 0 when storage could not be had (the array is then unchanged).
    int SetSize(int32_t newSize, int32_t growByValue, bool freeWhenEmpty);
    // Appends a fresh copy of the text. Returns the new index, or -1 when out of memory.
    int32_t Add(const char* text);
    // Releases every element; storage and capacity stay.
    void Clear();

    RcString* data;
    int32_t count;
    int32_t capacity;
    int32_t growBy;
};

class SerialStringArray : public StringArray {
public:
    int32_t Load(Stream& in) override;
    int32_t Save(Stream& out) const override;
};

class IntArray : public Serializable {
public:
    IntArray() : data(nullptr), count(0), capacity(0), growBy(0) {}
    ~IntArray() override;
    IntArray(const IntArray&) = delete;
    IntArray& operator=(const IntArray&) = delete;

    int SetSize(int32_t newSize, int32_t growByValue, bool freeWhenEmpty);
    int32_t Add(int32_t value);
    void Clear() { count = 0; }

    int32_t* data;
    int32_t count;
    int32_t capacity;
    int32_t growBy;
};

class SerialIntArray : public IntArray {
public:
    int32_t Load(Stream& in) override;
    int32_t Save(Stream& out) const override;
};
