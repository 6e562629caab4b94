#pragma once

#include <QFont>
#include <QIcon>
#include <QStyle>

namespace quarlodesk {

// The editor's and the grid's font "宋体" at a point size; an installed CJK font stands in when
// SimSun is not there (substitutions are set up with the application).
QFont SongTi(double pointSize);
void InstallFontSubstitutes();

// A toolbar button's icon: the desktop theme's, else Qt's standard one, else a drawn glyph.
QIcon ToolbarIcon(const char* key, const char* themeName, QStyle::StandardPixmap fallback,
                  const QStyle* style);

// The program's own icon (a database drum with a query mark), drawn at run time.
QIcon AppIcon();

}  // namespace quarlodesk
