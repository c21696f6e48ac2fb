// A module reaching for Qt: Qt is linked privately to the platform layer, so
// nothing above it has Qt's headers on its include path.
#include <QWidget>
