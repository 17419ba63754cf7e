// The canonical 44-byte RIFF/WAVE header written in front of the samples.
#pragma once

#include <cstdint>

#include "convert/source_header.h"

constexpr int WAV_HEADER_SIZE = 44;

// The largest data size whose RIFF size (data size + 36) still fits 32 bits.
constexpr uint32_t WAV_MAX_DATA_SIZE = 0xFFFFFFFFu - 36;

// Fills `image` from an accepted source header and the number of sample bytes.
void fill_wav_header(const SourceHeader* header, uint32_t data_size, unsigned char image[WAV_HEADER_SIZE]);
