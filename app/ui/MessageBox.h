// Every message box of the workbench goes through here, so that a test can
// answer it instead of a user (a hook returns the button that was "pressed").
#pragma once

#include <QMessageBox>
#include <functional>

namespace voxmill {

using MessageBoxHook = std::function<QMessageBox::StandardButton(
    QMessageBox::Icon icon, const QString& text, QMessageBox::StandardButtons buttons)>;

// Installs a hook and returns the previous one (null: real message boxes).
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

// A modal box titled "Voxmill" (or `title`) with the given text and buttons.
QMessageBox::StandardButton ShowMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                           QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                           QMessageBox::StandardButton defaultButton = QMessageBox::NoButton,
                                           const QString& title = QStringLiteral("Voxmill"));

}  // namespace voxmill
