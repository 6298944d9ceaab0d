#pragma once

#include <QIcon>

namespace norvane::gui {

// The pictures of the main window's buttons, drawn by the program itself.
enum class ButtonPicture { kSetup, kEcho, kStore, kQuery, kWorklist, kPrint, kDump, kAbout };

QIcon ButtonIcon(ButtonPicture picture);

}  // namespace norvane::gui
