#include "app/ui/GettingStartedDialog.h"

#include <QDialogButtonBox>
#include <QTextBlock>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

// The page lives in this static library: its resources must be registered
// by name before use (outside any namespace).
static void InitHelpResources() { Q_INIT_RESOURCE(help); }

namespace voxmill {

CGettingStartedDialog::CGettingStartedDialog(QWidget* parent) : QDialog(parent), m_pBrowser(new QTextBrowser) {
    InitHelpResources();
    setWindowTitle(QStringLiteral("Getting Started"));
    m_pBrowser->setObjectName(QStringLiteral("gettingStarted"));
    m_pBrowser->setOpenExternalLinks(true);
    m_pBrowser->setSource(QUrl(QString::fromLatin1(kPagePath)));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pBrowser, 1);
    layout->addWidget(buttons);
    resize(620, 720);
}

QStringList CGettingStartedDialog::Headings() const {
    QStringList headings;
    for (QTextBlock block = m_pBrowser->document()->begin(); block.isValid(); block = block.next())
        if (const int level = block.blockFormat().headingLevel(); level >= 1 && level <= 3) headings << block.text();
    return headings;
}

}  // namespace voxmill
