#pragma once
// pipe/DiameterBand.h — one diameter band of a material: its speed of sound
// and the recommended filter cut-offs. Stored as a fixed 108-byte block, in
// the pipe record and 36 to a material in the material database.

#include <cstddef>
#include <cstdint>
#include <istream>
#include <ostream>

// Low then high cut-off, Hz.
struct CutoffPair {
    int32_t low;
    int32_t high;
};
static_assert(sizeof(CutoffPair) == 8);

// Cut-off pairs are indexed by the range index of the pipe's travel time.
constexpr int kRangeCount = 6;

struct DiameterBand {
    float minDiameter;                   // mm; 0 for a material's first band
    float maxDiameter;                   // mm; 0 = no upper limit (last band)
    float velocity;                      // speed of sound, m/s
    CutoffPair general[kRangeCount];     // every sensor type but hydrophones
    CutoffPair hydrophone[kRangeCount];  // sensor type 1

    // Both diameters 0: an unused slot.
    bool IsEmpty() const { return minDiameter == 0.0f && maxDiameter == 0.0f; }
};
static_assert(sizeof(DiameterBand) == 108);
static_assert(offsetof(DiameterBand, velocity) == 8);
static_assert(offsetof(DiameterBand, general) == 12);
static_assert(offsetof(DiameterBand, hydrophone) == 60);

constexpr int32_t kDiameterBandSize = 108;

// The 108 bytes, little-endian, field by field.
void WriteDiameterBand(std::ostream& os, const DiameterBand& band);
// Fills band only when all 108 bytes arrived; a short read sets the
// stream's failure state and leaves band alone.
void ReadDiameterBand(std::istream& is, DiameterBand& band);
