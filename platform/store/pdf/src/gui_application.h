// The application object Qt's text layout and fonts need.
#pragma once

namespace store::pdf {

// True when a QGuiApplication exists, creating one with the offscreen
// platform when the process has no application object yet. False when the
// process runs a QCoreApplication without GUI support.
bool EnsureGuiApplication();

}  // namespace store::pdf
