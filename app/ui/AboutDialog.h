// The About box: "About Voxmill" with the program's version text.
#pragma once

#include <QDialog>

namespace voxmill {

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr const char* kTitle = "About Voxmill";
    static constexpr const char* kVersionText = "Version: 1.0.0 (alpha) Build 12";

    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace voxmill
