// The backprojector's "Renderer" page: the group "Renderer Information"
// with "ActiveX Control:" (the hosted renderer's full user type name) and
// "OCX File Name:" (the file of the module it came from), "n/a" each while
// no renderer is held, and the button "Select Renderer...", which the
// window answers with the discovery, choice and hosting of a renderer.
#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;

namespace voxmill {

class CBackProjectorPropertyPage_Renderer : public QWidget {
    Q_OBJECT

public:
    explicit CBackProjectorPropertyPage_Renderer(QWidget* parent = nullptr);

    static QString Title() { return QStringLiteral("Renderer"); }
    static QString NotAvailable() { return QStringLiteral("n/a"); }

    // Empty texts show "n/a"; the file label shows the module's file name
    // and the whole path as its tool tip.
    void SetRenderer(const QString& userType, const QString& modulePath);

    QLabel* ControlName() const { return m_pControlName; }
    QLabel* FileName() const { return m_pFileName; }
    QPushButton* SelectButton() const { return m_pSelect; }

signals:
    void selectRenderer();

private:
    QLabel* m_pControlName;
    QLabel* m_pFileName;
    QPushButton* m_pSelect;
};

}  // namespace voxmill
