#include "pipe/PipeSegment.h"

#include <cmath>

#include "archive/Archive.h"
#include "platform/SelfTestText.h"

bool PipeSegment::HasUsableVelocity() const {
    return std::isfinite(m_band.velocity) && m_band.velocity > 0.0f;
}

float PipeSegment::GetTime(TimeUnit unit) const {
    if (!HasUsableVelocity()) return 0.0f;
    const float seconds = GetLength(LengthUnit::Metres) / m_band.velocity;
    return ConvertTime(seconds, TimeUnit::Seconds, unit);
}

MaterialColour PipeSegment::GetColour() const {
    if (!g_materials) return kUnknownMaterialColour;
    return g_materials->ColourForName(m_material);
}

std::u16string PipeSegment::GetDescription(int32_t unitSystem, int32_t velocityPerMs) const {
    const auto lengthUnit = static_cast<LengthUnit>(unitSystem);
    const LengthUnit diameterUnit = unitSystem != 0 ? LengthUnit::Inches : LengthUnit::Millimetres;
    return FormatLengthWithUnit(GetLength(LengthUnit::Metres), lengthUnit) + u" " + m_material + u" (" +
           FormatDiameterRange(m_band, diameterUnit) + u", " +
           FormatVelocityWithUnit(m_band.velocity, DisplayVelocityUnit(unitSystem, velocityPerMs)) + u")";
}

void PipeSegment::Write(std::ostream& os) const {
    archive::WriteFloat(os, m_length);
    archive::WriteInt32(os, static_cast<int32_t>(m_lengthUnit));
    WriteDiameterBand(os, m_band);
    archive::CStringWrite(m_material, os);
    archive::WriteInt32(os, m_group);
}

void PipeSegment::Read(std::istream& is) {
    PipeSegment read;
    int32_t unit = 0;
    archive::ReadFloat(is, read.m_length);
    archive::ReadInt32(is, unit);
    read.m_lengthUnit = static_cast<LengthUnit>(unit);
    ReadDiameterBand(is, read.m_band);
    archive::CStringRead(read.m_material, is);
    archive::ReadInt32(is, read.m_group);
    if (!is.fail()) *this = read;
}

std::string PipeSegmentSelfTest() {
    std::string failures;
    PipeSegment section;
    section.SetMaterial(u"Test");
    const auto check = [&failures](bool ok, int line, const char* message) {
        if (!ok) failures += platform::CheckFailure("PipeSegment", line, message);
    };
    check(section.GetMaterial() == u"Test", __LINE__, "Problem in SetMaterial or GetMaterial\n");
    section.SetLength(1.0f, LengthUnit::Metres);
    check(section.GetLength(LengthUnit::Metres) == 1.0f, __LINE__, "Problem in SetLength or GetLength\n");
    check(section.GetLength(LengthUnit::Millimetres) == 1000.0f, __LINE__, "Problem in GetLength unit conversion\n");
    return failures;
}
