// A sequential read cursor over bytes owned by somebody else (as a rule an
// IData the caller keeps alive). Reads past the end are cut short, not errors.
#pragma once

#include <cstdint>

class DataChunk {
public:
    DataChunk(const char* bytes, int32_t length);
    virtual ~DataChunk() {}

    // Copies up to `count` bytes to `destination`; returns how many were copied.
    uint32_t Read(void* destination, uint32_t count);
    bool AtEnd() const { return current >= end; }

private:
    const char* begin;
    const char* current;
    const char* end;
    int32_t length;
};
