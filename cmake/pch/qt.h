// The Qt headers the screens and widgets include, on top of the standard ones.
#include "std.h"
#include <QAbstractButton>
#include <QApplication>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QString>
#include <QTimer>
#include <QWidget>
