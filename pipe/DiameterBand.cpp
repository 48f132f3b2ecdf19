#include "pipe/DiameterBand.h"

#include "archive/Archive.h"

void WriteDiameterBand(std::ostream& os, const DiameterBand& band) {
    archive::WriteFloat(os, band.minDiameter);
    archive::WriteFloat(os, band.maxDiameter);
    archive::WriteFloat(os, band.velocity);
    for (const CutoffPair& p : band.general) {
        archive::WriteInt32(os, p.low);
        archive::WriteInt32(os, p.high);
    }
    for (const CutoffPair& p : band.hydrophone) {
        archive::WriteInt32(os, p.low);
        archive::WriteInt32(os, p.high);
    }
}

void ReadDiameterBand(std::istream& is, DiameterBand& band) {
    DiameterBand read{};
    archive::ReadFloat(is, read.minDiameter);
    archive::ReadFloat(is, read.maxDiameter);
    archive::ReadFloat(is, read.velocity);
    for (CutoffPair& p : read.general) {
        archive::ReadInt32(is, p.low);
        archive::ReadInt32(is, p.high);
    }
    for (CutoffPair& p : read.hydrophone) {
        archive::ReadInt32(is, p.low);
        archive::ReadInt32(is, p.high);
    }
    if (!is.fail()) band = read;
}
