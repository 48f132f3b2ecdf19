#pragma once
// pipe/PipeSegment.h — one section of pipe: material, length as entered and
// the chosen diameter band (speed of sound and recommended cut-offs).

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>

#include "pipe/DiameterBand.h"
#include "pipe/Materials.h"
#include "pipe/Units.h"

class PipeSegment {
public:
    // A new section: no name, group 0, length 0 m, an all-zero band.
    PipeSegment() = default;

    void SetMaterial(std::u16string_view name) { m_material = name; }
    std::u16string GetMaterial() const { return m_material; }
    // 0 metallic, 1 plastic, 2 other; copied from the material table.
    void SetMaterialGroup(int32_t group) { m_group = group; }
    int32_t GetMaterialGroup() const { return m_group; }

    // Stored as entered; GetLength converts from that unit.
    void SetLength(float value, LengthUnit unit) { m_length = value; m_lengthUnit = unit; }
    float GetLength(LengthUnit unit) const { return ConvertLength(m_length, m_lengthUnit, unit); }
    LengthUnit GetLengthUnit() const { return m_lengthUnit; }

    // A copy of the material's band: velocity and cut-offs.
    void SetBand(const DiameterBand& band) { m_band = band; }
    const DiameterBand& GetBand() const { return m_band; }
    void SetVelocity(float metresPerSecond) { m_band.velocity = metresPerSecond; }
    float GetVelocity() const { return m_band.velocity; }

    // False when the band's velocity is not a positive finite number: such a
    // section has no travel time.
    bool HasUsableVelocity() const;
    // Travel time of sound through the section; 0 without a usable velocity.
    float GetTime(TimeUnit unit) const;

    // The colour of the material in g_materials (grey when it has none).
    MaterialColour GetColour() const;

    // "12.5m STEEL (100 - 199mm, 1.2000m/ms)": unitSystem and velocityPerMs
    // are the configuration's display settings.
    std::u16string GetDescription(int32_t unitSystem, int32_t velocityPerMs) const;

    // Length, unit, the 108-byte band, name, group. Read raises the archive's
    // string error and leaves the section alone on a short stream.
    void Write(std::ostream& os) const;
    void Read(std::istream& is);

private:
    std::u16string m_material;
    int32_t m_group = 0;
    float m_length = 0.0f;
    LengthUnit m_lengthUnit = LengthUnit::Metres;
    DiameterBand m_band{};
};

// Start-up check of name and length handling: "" when it passes, else one
// line per failed check led by ".\PipeSegment(<line>): ".
std::string PipeSegmentSelfTest();
