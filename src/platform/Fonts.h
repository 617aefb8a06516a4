// The fonts the editor's layout was designed with, and their stand-ins on this system.
#pragma once

#include <QFont>

namespace Fonts {

// Maps the designed families onto installed metric-compatible ones: "Courier New" onto
// Liberation Mono, so the labels keep their widths, and "System" onto a bold-friendly sans.
// Call once, before any window is built.
void installSubstitutions();

// The labels' and frames' font: "Courier New" at the given point size, regular weight.
QFont courierNew(qreal pointSize);

// The windows' default dialog font, which their push buttons use: dialogFamily() at 8.25 point,
// so that "Load Level" fits its 65-pixel button as designed.
QFont dialogDefault();

// The About window's labels: "System", 9.75 point, bold.
QFont systemBold();

// The family of the dialog font: Liberation Sans on Linux (narrow enough for the designed
// buttons); on Windows "MS Sans Serif", where it is missing its outline twin Microsoft Sans
// Serif, the system's dialog font.
QString dialogFamily();

} // namespace Fonts
