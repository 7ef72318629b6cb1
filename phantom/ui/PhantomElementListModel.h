// The rows of the phantom window's list: one per element, each keeping a
// pointer to its element. The cells are formatted from the element's
// current values every time the list asks for them, so an edited element
// shows its new centre and MU at the next repaint. Column 0 carries the
// element's picture from the image list (0 ellipsoid, 1 cylinder).
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <vector>

namespace voxmill {

class CPhantom;
class CPhantomElement;

class CPhantomElementListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { kElement, kCenter, kMu, kColumnCount };

    explicit CPhantomElementListModel(QObject* parent = nullptr);

    // The two pictures of the image list.
    void SetImages(const QIcon& ellipsoid, const QIcon& cylinder);
    // The phantom whose elements the rows may show; rows whose element has
    // left it show nothing.
    void SetPhantom(const CPhantom* phantom) { m_pPhantom = phantom; }
    // One row per element of the phantom, in list order.
    void Reload();
    void AppendRow(CPhantomElement* element);
    void RemoveRow(int row);
    void Clear();
    CPhantomElement* ElementAt(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // "(%+.3f,%+.3f,%+.3f)" of the translation and "%+.2f" of MU.
    static QString CenterText(const CPhantomElement& element);
    static QString MuText(const CPhantomElement& element);

private:
    const CPhantomElement* LiveElement(int row) const;

    const CPhantom* m_pPhantom = nullptr;
    std::vector<CPhantomElement*> m_rows;
    QIcon m_images[2];
};

}  // namespace voxmill
