#pragma once

class QApplication;

namespace tolvan {

// Names the application, sets the fonts, tells screen readers about the
// controls (AccessibleControls.h) and loads Qt's German translations (from
// Qt's folder, else from "translations" beside the program), so that standard
// buttons and dialogs speak German. Used by the program and the GUI tests.
void prepareApplication(QApplication &app);

} // namespace tolvan
