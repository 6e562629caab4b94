#pragma once

class QApplication;

namespace quarlodesk {

// What the program sets up on its QApplication before the first window: Qt's Chinese texts for
// standard buttons, the CJK fonts that stand in for "宋体", the icon, and the toolkit's event pump
// (waits for the server let the window repaint and take the cancel command).
void SetUpApplication(QApplication& app);

}  // namespace quarlodesk
