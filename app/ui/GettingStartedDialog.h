// Help, "Getting Started": a short walk along the typical road (phantom,
// projector, projection collection, backprojector, volume, slices,
// export) in a text browser over an HTML page built into the program as
// the resource kPagePath. One non-modal window per main frame.
#pragma once

#include <QDialog>
#include <QStringList>

class QTextBrowser;

namespace voxmill {

class CGettingStartedDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr const char* kPagePath = "qrc:/help/getting-started.html";

    explicit CGettingStartedDialog(QWidget* parent = nullptr);

    QTextBrowser* Browser() const { return m_pBrowser; }
    // The page's headings (h1 to h3) in document order.
    QStringList Headings() const;

private:
    QTextBrowser* m_pBrowser;
};

}  // namespace voxmill
