// What the model reader promises for any bytes at all, checked in one place
// for the corpus replay test and the fuzz target.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Loads `data` as a model and checks the result; returns an empty string
// when every promise holds, else a description of the first broken one.
std::string CheckModelFromBytes(const uint8_t* data, size_t size);
