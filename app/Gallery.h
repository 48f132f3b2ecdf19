#pragma once
// app/Gallery.h — every screen rendered to PNG files in both colour schemes,
// for review: DIR/<template>-<name>-normal.png and -inverted.png.

#include <QString>

// The number of files written; -1 when the folder cannot be made.
int WriteGallery(const QString& folder);
