#include "tools/mediagen/sound.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>

#include "tools/mediagen/random.h"

namespace {

constexpr double kPi = 3.14159265358979;

// One wave washing up: when it arrives in the loop, how long it swells and
// ebbs, how loud and where it sits between the speakers.
struct Wave {
    double start, rise, fall, gain, pan;
};

// State-variable filter, used as a band-pass whose centre moves; `f` is
// BandPassCoefficient of the centre frequency.
double BandPassCoefficient(double centre) {
    return 2.0 * std::sin(kPi * centre / kOceanRate);
}

struct BandPass {
    double low = 0, band = 0;
    double Step(double input, double f, double q) {
        double high = input - low - q * band;
        band += f * high;
        low += f * band;
        return band;
    }
};

// One-pole low-pass at a fixed cut-off frequency.
struct OnePole {
    explicit OnePole(double cutoff) : a(1.0 - std::exp(-2.0 * kPi * cutoff / kOceanRate)) {}
    double a, state = 0;
    double Step(double input) {
        state += a * (input - state);
        return state;
    }
};

// Envelope of a wave at loop time `t`, counting the wave's tail that spills
// over the loop's end into its start.
double WaveEnvelope(const Wave& wave, double t, double loop) {
    double sum = 0;
    for (int wrap = -1; wrap <= 0; ++wrap) {
        double local = t - wave.start - wrap * loop;
        if (local < 0 || local > wave.rise + 14.0 * wave.fall) continue;
        if (local < wave.rise) {
            double x = local / wave.rise;
            sum += x * x * (3 - 2 * x);
        } else {
            sum += std::exp(-(local - wave.rise) / wave.fall);
        }
    }
    return sum;
}

double Gaussian(Random* random) {
    double sum = 0;
    for (int i = 0; i < 4; ++i) sum += random->Unit();
    return (sum - 2.0) * 1.7;
}

}  // namespace

std::vector<float> SynthesiseShore() {
    const int frames = kOceanRate * kOceanSeconds;
    const int fade = kOceanRate * 2;  // cross-fade of the loop seam
    const double loop = kOceanSeconds;
    const Wave waves[] = {{0.6, 1.3, 1.6, 0.9, -0.3},   {4.9, 1.0, 1.3, 0.6, 0.4},
                          {8.2, 1.5, 1.9, 1.0, 0.1},    {12.6, 1.1, 1.4, 0.7, -0.5},
                          {16.0, 1.4, 1.7, 0.85, 0.35}, {20.3, 1.2, 1.5, 0.75, -0.1}};
    Random random(4711);
    // Short splashes of water against stones, at fixed places in the loop.
    std::vector<Wave> splashes;
    for (int i = 0; i < 40; ++i) {
        splashes.push_back({random.Range(0.0f, static_cast<float>(loop)), 0.02,
                            random.Range(0.05f, 0.14f), random.Range(0.15f, 0.5f),
                            random.Range(-0.8f, 0.8f)});
    }
    int total = frames + fade;
    std::vector<double> raw(static_cast<size_t>(total) * 2);
    OnePole rumble[2] = {OnePole(300.0), OnePole(300.0)};
    OnePole rumbleSoft[2] = {OnePole(300.0), OnePole(300.0)};
    OnePole washTone[2] = {OnePole(4500.0), OnePole(4500.0)};
    OnePole splashTone[2] = {OnePole(1800.0), OnePole(1800.0)};
    BandPass wash[2];
    for (int i = 0; i < total; ++i) {
        double t = std::fmod(static_cast<double>(i) / kOceanRate, loop);
        double swell[2] = {0, 0}, splash[2] = {0, 0}, brightness = 0;
        for (const Wave& w : waves) {
            double e = WaveEnvelope(w, t, loop) * w.gain;
            swell[0] += e * (1.0 - 0.6 * w.pan);
            swell[1] += e * (1.0 + 0.6 * w.pan);
            brightness = std::fmax(brightness, e);
        }
        for (const Wave& w : splashes) {
            double e = WaveEnvelope(w, t, loop) * w.gain;
            splash[0] += e * (1.0 - 0.8 * w.pan);
            splash[1] += e * (1.0 + 0.8 * w.pan);
        }
        double centre = BandPassCoefficient(250.0 + 650.0 * std::fmin(1.0, brightness));
        double common = Gaussian(&random);
        for (int ch = 0; ch < 2; ++ch) {
            double noise = 0.6 * common + 0.8 * Gaussian(&random);
            // Distant, steady lapping: low noise breathing slowly with the loop.
            double breath = 0.75 + 0.25 * std::sin(2 * kPi * t / (loop / 3) + ch);
            double out = 1.4 * rumbleSoft[ch].Step(rumble[ch].Step(noise)) * breath;
            out += 0.7 * wash[ch].Step(noise, centre, 1.2) * swell[ch];
            double fizz = noise - splashTone[ch].Step(noise);
            out += 0.07 * washTone[ch].Step(fizz) * splash[ch];
            raw[static_cast<size_t>(i) * 2 + ch] = out;
        }
    }
    std::vector<float> samples(static_cast<size_t>(frames) * 2);
    double peak = 0;
    for (int i = 0; i < frames; ++i) {
        for (int ch = 0; ch < 2; ++ch) {
            double value = raw[static_cast<size_t>(i) * 2 + ch];
            if (i < fade) {
                // The start is the continuation of the end; noise halves are
                // uncorrelated, so an equal-power fade keeps the level.
                double x = static_cast<double>(i) / fade;
                double tail = raw[static_cast<size_t>(i + frames) * 2 + ch];
                value = value * std::sin(0.5 * kPi * x) + tail * std::cos(0.5 * kPi * x);
            }
            samples[static_cast<size_t>(i) * 2 + ch] = static_cast<float>(value);
            peak = std::fmax(peak, std::fabs(value));
        }
    }
    float scale = static_cast<float>(0.6 / peak);
    for (float& s : samples) s *= scale;
    return samples;
}

bool EncodeOggVorbis(const std::vector<float>& samples, std::vector<uint8_t>* out,
                     std::string* error) {
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, 2, kOceanRate, 0.2f) != 0) {
        vorbis_info_clear(&info);
        *error = "vorbis encoder refused 44100 Hz stereo";
        return false;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_comment_add_tag(&comment, "TITLE", "Lake shore");
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 0x566c6d72);  // fixed serial number: same bytes every run
    out->clear();
    auto append = [out](const ogg_page& page) {
        out->insert(out->end(), page.header, page.header + page.header_len);
        out->insert(out->end(), page.body, page.body + page.body_len);
    };
    ogg_packet header, headerComment, headerCode;
    vorbis_analysis_headerout(&dsp, &comment, &header, &headerComment, &headerCode);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &headerComment);
    ogg_stream_packetin(&stream, &headerCode);
    ogg_page page;
    while (ogg_stream_flush(&stream, &page) != 0) append(page);

    const size_t frames = samples.size() / 2;
    constexpr size_t kChunk = 4096;
    bool ended = false;
    for (size_t at = 0; !ended;) {
        size_t count = std::min(kChunk, frames - at);
        if (count == 0) {
            vorbis_analysis_wrote(&dsp, 0);
        } else {
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
            for (size_t i = 0; i < count; ++i) {
                buffer[0][i] = samples[(at + i) * 2];
                buffer[1][i] = samples[(at + i) * 2 + 1];
            }
            vorbis_analysis_wrote(&dsp, static_cast<int>(count));
            at += count;
        }
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet) == 1) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0) {
                    append(page);
                    if (ogg_page_eos(&page)) ended = true;
                }
            }
        }
        if (count == 0) break;
    }
    while (ogg_stream_flush(&stream, &page) != 0) append(page);
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return true;
}
