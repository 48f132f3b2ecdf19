#include "ui/Hotspot.h"

// Nothing to draw: the area is found by touch alone.
void CHotspot::paintEvent(QPaintEvent*) {}
