#include "data_chunk.h"

#include <cstring>

DataChunk::DataChunk(const char* bytes, int32_t length)
    : begin(bytes), current(bytes), end(bytes + (length > 0 ? length : 0)), length(length) {}

uint32_t DataChunk::Read(void* destination, uint32_t count) {
    uint32_t left = current < end ? static_cast<uint32_t>(end - current) : 0;
    if (count > left) count = left;
    if (count == 0) return 0;
    std::memcpy(destination, current, count);
    current += count;
    return count;
}
