// Volume (0..1) to hundredths of a decibel and back, on a curve that gives
// the lower half of the range most of the attenuation. Single precision, as
// the mapping is defined.
#include <cmath>

#include "sound/sound.h"

int VolumeToDb(float volume) {
    // Outside 0..1 the curve has no meaning (and below 0 no value at all).
    if (!(volume > 0.0f)) volume = 0.0f;
    if (volume > 1.0f) volume = 1.0f;
    const float n = std::nearbyint(volume * 255.0f);
    const float d = std::log(n + 1.0f) / std::log(2.0f);
    return static_cast<int>(std::lrint(10000.0f * std::log10(1.0f + 9.0f * d / 8.0f))) - 10000;
}

float DbToVolume(int hundredths) {
    const float q = std::pow(10.0f, static_cast<float>(hundredths + 10000) / 10000.0f) - 1.0f;
    const float r = std::pow(2.0f, 8.0f * q / 9.0f) - 1.0f;
    return static_cast<float>(std::lrint(r)) / 255.0f;
}
