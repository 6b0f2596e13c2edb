// How far two pictures of the same size differ: the share of pixels where a
// channel differs by more than a threshold, the peak signal-to-noise ratio
// over all channels, and a heat map of the per-pixel largest channel
// difference.
#pragma once

#include "tools/compare/rgb_image.h"

struct ImageDifference {
    double differingShare = 0.0;  // 0..1
    double psnr = 0.0;            // dB; infinite when the pictures are equal
    unsigned largest = 0;         // the largest channel difference, 0..255
};

// Levels a channel may differ by before its pixel counts as differing.
constexpr unsigned kDifferenceThreshold = 8;

// `a` and `b` must have the same size.
ImageDifference CompareImages(const RgbImage& a, const RgbImage& b,
                              unsigned threshold = kDifferenceThreshold);

// Black where the pictures are equal, through red and yellow to white where a
// channel differs by 64 levels or more. A picture wider than `maxWidth` is
// scaled down to that width, each heat-map pixel showing the largest
// difference of the pixels it covers, so a lone differing pixel stays visible.
RgbImage DifferenceHeatMap(const RgbImage& a, const RgbImage& b, unsigned maxWidth);
