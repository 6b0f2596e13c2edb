// In-memory blocks of media bytes: IData, the read-only interface callers
// hold, and _data, the one concrete blob, which owns a copy of an entry.
#pragma once

#include <cstdint>

class IData {
public:
    virtual const char* GetData() = 0;
    virtual uint32_t GetSize() = 0;
    virtual ~IData() {}
};

class _data : public IData {
public:
    // Takes ownership of `bytes`, an array of `size` bytes made with new[].
    _data(char* bytes, uint32_t size) : data(bytes), size(size) {}
    ~_data() override;
    _data(const _data&) = delete;
    _data& operator=(const _data&) = delete;

    const char* GetData() override { return data; }
    uint32_t GetSize() override { return size; }

private:
    char* data;
    uint32_t size;
};
