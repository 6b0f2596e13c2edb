#include "data_blob.h"

_data::~_data() {
    delete[] data;
    data = nullptr;
    size = 0;
}
