// The phantom window and the element editing window driven as a user
// would: menu commands, double clicks, typing into the form, Apply, File
// Save and Open, closing, the Target command, and dragging the window.
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTreeView>
#include <QtTest>

#include "app/DocTemplate.h"
#include "app/templates/DocManager.h"
#include "app/ui/ChildFrame.h"
#include "app/ui/MainFrame.h"
#include "app/ui/RecentFileList.h"
#include "app/ui/TargetMimeData.h"
#include "app/ui/TargetView.h"
#include "app/ui/VoxmillApp.h"
#include "app/ui/WorkbenchFrames.h"
#include "phantom/Phantom.h"
#include "phantom/PhantomElement.h"
#include "phantom/PhantomElementForm.h"
#include "phantom/ui/PhantomElementListModel.h"
#include "phantom/ui/PhantomElementView.h"
#include "phantom/ui/PhantomView.h"
#include "tests/app/ui/UiTestSupport.h"

using namespace voxmill;
using namespace voxmill::test;

namespace {

using Row = QStringList;

std::vector<Row> Rows(const CPhantomView* view) {
    std::vector<Row> rows;
    const CPhantomElementListModel* model = view->Model();
    for (int r = 0; r < model->rowCount(); ++r) {
        Row row;
        for (int c = 0; c < model->columnCount(); ++c) row << model->index(r, c).data().toString();
        rows.push_back(row);
    }
    return rows;
}

QMenu* MenuNamed(QMenuBar* bar, const QString& title) {
    for (QAction* action : bar->actions())
        if (action->text() == title) return action->menu();
    return nullptr;
}

}  // namespace

class PhantomWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        UseSettingsIn(*m_dir);
        m_newKind = std::make_unique<ScopedNewKind>("Phantom");
        m_app = std::make_unique<CVoxmillApp>(WorkbenchFrameTable());
        // Start-up's File, New opens "Phantom1".
        QVERIFY(m_app->InitInstance({"voxmill"}));
        m_frame = m_app->GetMainFrame();
    }

    void cleanup() {
        m_app->ExitInstance();
        m_app.reset();
        m_newKind.reset();
    }

    void elementsMenuOffersTheCommands() {
        QMenu* menu = MenuNamed(m_frame->menuBar(), "Elements");
        QVERIFY(menu);
        QStringList entries;
        for (QAction* action : menu->actions())
            if (!action->isSeparator()) entries << action->text();
        QCOMPARE(entries,
                 (QStringList{"Add Ellipsoid", "Add Truncated Cylinder", "Remove Selected", "Remove All", "Target"}));
        QVERIFY(!View()->RemoveAllAction()->isEnabled());
        QVERIFY(View()->AddEllipsoidAction()->isEnabled());
    }

    void listHasItsColumnsAndPictures() {
        CPhantomView* view = View();
        QHeaderView* header = view->List()->header();
        const QFontMetrics fm(view->List()->font());
        QCOMPARE(view->Model()->headerData(0, Qt::Horizontal).toString(), QString("Element"));
        QCOMPARE(view->Model()->headerData(1, Qt::Horizontal).toString(), QString("Center"));
        QCOMPARE(view->Model()->headerData(2, Qt::Horizontal).toString(), QString("Mu"));
        QCOMPARE(header->sectionSize(0), 10 * fm.averageCharWidth() + 16);
        QCOMPARE(header->sectionSize(1), 13 * fm.maxWidth());
        QCOMPARE(header->sectionSize(2), 6 * fm.maxWidth());

        view->AddEllipsoidAction()->trigger();
        view->AddCylinderAction()->trigger();
        const auto ellipsoid = view->Model()->index(0, 0).data(Qt::DecorationRole).value<QIcon>();
        const auto cylinder = view->Model()->index(1, 0).data(Qt::DecorationRole).value<QIcon>();
        QVERIFY(!ellipsoid.isNull() && !cylinder.isNull());
        QVERIFY(ellipsoid.pixmap(16, 16).toImage() != cylinder.pixmap(16, 16).toImage());
    }

    void threeElementsSurviveSaveAndReopen() {
        ScopedFilePrompts prompts;
        ScopedMessageBoxes boxes;
        CPhantomView* view = View();
        CPhantom* phantom = view->GetPhantom();
        view->AddEllipsoidAction()->trigger();
        view->AddCylinderAction()->trigger();
        view->AddEllipsoidAction()->trigger();
        QVERIFY(phantom->IsModified());
        QCOMPARE(phantom->GetCount(), std::size_t{3});
        // Make the middle one recognisable.
        EditElement(1, {{CPhantomElementView::kMu, "-0.75"}, {CPhantomElementView::kTranslationY, "0.5"}});
        const std::vector<Row> rows = Rows(view);
        QCOMPARE(rows.size(), std::size_t{3});
        QCOMPARE(rows[0], (Row{"Ellipsoid", "(+0.000,+0.000,+0.000)", "+1.00"}));
        QCOMPARE(rows[1], (Row{"Cylinder", "(+0.000,+0.500,+0.000)", "-0.75"}));
        QCOMPARE(rows[2], (Row{"Ellipsoid", "(+0.000,+0.000,+0.000)", "+1.00"}));

        // File, Save asks for a name and adds the extension.
        prompts.paths = {m_dir->filePath("three")};
        m_frame->OnFileSave();
        const QString path = m_dir->filePath("three.pha");
        QVERIFY(QFile::exists(path));
        QCOMPARE(prompts.requests.front().filters.front(), QString("Phantom Files (*.pha)"));
        QVERIFY(!phantom->IsModified());
        QCOMPARE(m_frame->ActiveFrame()->windowTitle(), QString("three.pha"));

        m_frame->OnFileClose();
        FlushDeletes();
        QVERIFY(boxes.texts.isEmpty());
        QCOMPARE(m_app->GetDocManager()->GetDocuments().size(), std::size_t{0});

        QVERIFY(m_frame->OpenDocumentFile(path));
        QCOMPARE(Rows(View()), rows);
        QCOMPARE(m_app->GetRecentFiles()->Files().front(), path);
    }

    void appliedEditShowsNewCenterAndMu() {
        CPhantomView* view = View();
        view->AddEllipsoidAction()->trigger();
        CPhantomElement* element = view->GetPhantom()->GetElement(0);
        view->GetPhantom()->SetModifiedFlag(false);

        CPhantomElementView* form = OpenElement(0);
        QCOMPARE(form->PrimitiveBox()->currentText(), QString("Unit ball"));
        QCOMPARE(form->FieldEdit(CPhantomElementView::kMu)->text(), QString("1"));
        Type(form, {{CPhantomElementView::kMu, "0.5"},
                    {CPhantomElementView::kTranslationX, "0.25"},
                    {CPhantomElementView::kTranslationY, "-0.5"},
                    {CPhantomElementView::kPhi, "90"}});
        QTest::mouseClick(form->ApplyButton(), Qt::LeftButton);
        FlushDeletes();

        // Apply closed the editing window and marked the phantom modified.
        QVERIFY(element->GetViews().empty());
        QVERIFY(view->GetPhantom()->IsModified());
        QCOMPARE(Rows(view)[0], (Row{"Ellipsoid", "(+0.250,-0.500,+0.000)", "+0.50"}));
        QCOMPARE(element->m_mu, 0.5f);
        QCOMPARE(element->m_rotation.p[0], CPhantomElementForm::kPi * 90.0 * (1.0 / 180.0));

        // Opening it again shows the angle in degrees.
        form = OpenElement(0);
        QCOMPARE(form->FieldEdit(CPhantomElementView::kPhi)->text().toDouble(), 90.0);
        QCOMPARE(form->FieldEdit(CPhantomElementView::kTranslationX)->text(), QString("0.25"));
    }

    void valuesOutOfRangeAreRefused() {
        ScopedMessageBoxes boxes;
        CPhantomView* view = View();
        view->AddCylinderAction()->trigger();
        CPhantomElement* element = view->GetPhantom()->GetElement(0);
        view->GetPhantom()->SetModifiedFlag(false);
        CPhantomElementView* form = OpenElement(0);
        QCOMPARE(form->PrimitiveBox()->currentText(), QString("Unit cylinder"));

        Type(form, {{CPhantomElementView::kTranslationZ, "0.5"}, {CPhantomElementView::kMu, "2.5"}});
        QTest::mouseClick(form->ApplyButton(), Qt::LeftButton);
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY(boxes.texts.back().contains("MU", Qt::CaseSensitive));
        QVERIFY(boxes.texts.back().contains("2.5"));
        Unchanged(element, form);

        Type(form, {{CPhantomElementView::kMu, "1"}, {CPhantomElementView::kScaleY, "1.5"}});
        QTest::mouseClick(form->ApplyButton(), Qt::LeftButton);
        QVERIFY(boxes.texts.back().contains("scaling Y", Qt::CaseInsensitive));
        Unchanged(element, form);

        Type(form, {{CPhantomElementView::kScaleY, "1"}, {CPhantomElementView::kPsi, "-1"}});
        QTest::mouseClick(form->ApplyButton(), Qt::LeftButton);
        QVERIFY(boxes.texts.back().contains("rotation PSI", Qt::CaseInsensitive));
        Unchanged(element, form);

        Type(form, {{CPhantomElementView::kPsi, "0"}, {CPhantomElementView::kScaleX, "abc"}});
        QTest::mouseClick(form->ApplyButton(), Qt::LeftButton);
        QCOMPARE(boxes.texts.back(), QString("Scaling X: please enter a number."));
        Unchanged(element, form);
        QCOMPARE(boxes.texts.size(), 4);

        // The bounds themselves are accepted.
        Type(form, {{CPhantomElementView::kScaleX, "0"}, {CPhantomElementView::kMu, "-2"},
                    {CPhantomElementView::kTheta, "360"}, {CPhantomElementView::kTranslationX, "1"}});
        QTest::mouseClick(form->ApplyButton(), Qt::LeftButton);
        FlushDeletes();
        QCOMPARE(boxes.texts.size(), 4);
        QVERIFY(element->GetViews().empty());
        QCOMPARE(element->m_mu, -2.0f);
        QCOMPARE(element->m_translation.p[2], 0.5);
    }

    void removeSelectedRemovesTheFirstSelectedRow() {
        CPhantomView* view = View();
        CPhantom* phantom = view->GetPhantom();
        view->AddEllipsoidAction()->trigger();
        view->AddCylinderAction()->trigger();
        view->AddEllipsoidAction()->trigger();
        phantom->SetModifiedFlag(false);

        view->List()->clearSelection();
        view->RemoveSelectedAction()->trigger();
        QCOMPARE(phantom->GetCount(), std::size_t{3});
        QVERIFY(!phantom->IsModified());

        CPhantomElement* kept = phantom->GetElement(2);
        view->List()->selectionModel()->select(view->Model()->index(2, 0),
                                               QItemSelectionModel::Select | QItemSelectionModel::Rows);
        view->List()->selectionModel()->select(view->Model()->index(1, 0),
                                               QItemSelectionModel::Select | QItemSelectionModel::Rows);
        view->RemoveSelectedAction()->trigger();
        QCOMPARE(phantom->GetCount(), std::size_t{2});
        QCOMPARE(phantom->GetElement(1), kept);
        QCOMPARE(view->Model()->rowCount(), 2);
        QCOMPARE(Rows(view)[1][0], QString("Ellipsoid"));
        QVERIFY(phantom->IsModified());
    }

    void secondWindowFollowsAddAndRemove() {
        CPhantomView* view = View();
        view->AddEllipsoidAction()->trigger();
        m_frame->OnWindowNew();
        auto* second = dynamic_cast<CPhantomView*>(m_frame->ActiveFrame()->GetView());
        QVERIFY(second && second != view);
        second->AddCylinderAction()->trigger();
        QCOMPARE(Rows(view).size(), std::size_t{2});
        view->List()->selectionModel()->select(view->Model()->index(0, 0),
                                               QItemSelectionModel::Select | QItemSelectionModel::Rows);
        view->RemoveSelectedAction()->trigger();
        QCOMPARE(Rows(second), (std::vector<Row>{Row{"Cylinder", "(+0.000,+0.000,+0.000)", "+1.00"}}));
    }

    void closingAModifiedPhantomAsksToSave() {
        ScopedMessageBoxes boxes;
        CPhantomView* view = View();
        view->AddEllipsoidAction()->trigger();
        QPointer<CChildFrame> frame = m_frame->ActiveFrame();

        boxes.answer = QMessageBox::Cancel;
        frame->close();
        FlushDeletes();
        QCOMPARE(boxes.texts, QStringList{"Save changes to Phantom1?"});
        QVERIFY(!frame.isNull());
        QCOMPARE(m_app->GetDocManager()->GetDocuments().size(), std::size_t{1});

        boxes.answer = QMessageBox::No;
        frame->close();
        FlushDeletes();
        QVERIFY(frame.isNull());
        QCOMPARE(m_app->GetDocManager()->GetDocuments().size(), std::size_t{0});
    }

    void targetCommandShowsThePhantomInTheTargetView() {
        CPhantomView* view = View();
        CPhantom* phantom = view->GetPhantom();
        view->AddEllipsoidAction()->trigger();
        view->TargetAction()->trigger();
        FlushDeletes();
        QCOMPARE(phantom->GetViews().size(), std::size_t{1});
        auto* target = dynamic_cast<CTargetView*>(m_frame->ActiveFrame()->GetView());
        QVERIFY(target);
        QCOMPARE(target->GetTarget(), phantom);
        QVERIFY(phantom->m_bAutoDelete);
        QCOMPARE(MenuNamed(m_frame->menuBar(), "Target")->actions().size(), 2);

        target->DocumentAction()->trigger();
        FlushDeletes();
        QCOMPARE(Rows(View()).size(), std::size_t{1});
        QCOMPARE(View()->GetPhantom(), phantom);
    }

    void draggingThePhantomOntoTheMainFrameOnlyMovesIt() {
        CChildFrame* frame = m_frame->ActiveFrame();
        auto* phantom = static_cast<CPhantom*>(frame->GetDocument());
        const QSize size = frame->size();
        CTargetMimeData data(*phantom);
        const QPoint at = m_frame->MdiArea()->mapTo(m_frame, QPoint(180, 120));
        QDragEnterEvent enter(at, Qt::MoveAction | Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_frame, &enter);
        QVERIFY(enter.isAccepted());
        QCOMPARE(enter.dropAction(), Qt::MoveAction);
        QDropEvent drop(QPointF(at), Qt::MoveAction | Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_frame, &drop);
        QVERIFY(drop.isAccepted());
        QCOMPARE(drop.dropAction(), Qt::MoveAction);

        frame->ApplyDragResult(drop.dropAction(), data.DropPoint());
        QCOMPARE(frame->mapTo(m_frame, QPoint(0, 0)), at);
        QCOMPARE(frame->size(), size);
        QCOMPARE(m_frame->ActiveFrame(), frame);
        QCOMPARE(phantom->GetViews().size(), std::size_t{1});
        QVERIFY(phantom->m_bAutoDelete);
        QCOMPARE(m_app->GetDocManager()->GetDocuments().size(), std::size_t{1});
    }

private:
    CPhantomView* View() const {
        CChildFrame* frame = m_frame->ActiveFrame();
        return frame ? dynamic_cast<CPhantomView*>(frame->GetView()) : nullptr;
    }

    // Double-clicks the row and returns the editing window it opened.
    CPhantomElementView* OpenElement(int row) {
        CPhantomView* view = View();
        view->List()->clearSelection();
        const QRect rect = view->List()->visualRect(view->Model()->index(row, 0));
        QTest::mouseClick(view->List()->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
        QTest::mouseDClick(view->List()->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
        auto* form = dynamic_cast<CPhantomElementView*>(m_frame->ActiveFrame()->GetView());
        if (form) form->show();
        return form;
    }

    void Type(CPhantomElementView* form, std::initializer_list<std::pair<CPhantomElementView::Field, const char*>> values) {
        for (const auto& [field, text] : values) {
            QLineEdit* edit = form->FieldEdit(field);
            edit->selectAll();
            QTest::keyClicks(edit, QString::fromLatin1(text));
            QCOMPARE(edit->text(), QString::fromLatin1(text));
        }
    }

    void EditElement(int row, std::initializer_list<std::pair<CPhantomElementView::Field, const char*>> values) {
        CPhantomElementView* form = OpenElement(row);
        QVERIFY(form);
        Type(form, values);
        QTest::mouseClick(form->ApplyButton(), Qt::LeftButton);
        FlushDeletes();
    }

    // Nothing of the element changed, the window is still open, the phantom
    // is not modified.
    void Unchanged(CPhantomElement* element, CPhantomElementView* form) {
        QCOMPARE(element->m_mu, 1.0f);
        QCOMPARE(element->m_translation.p[2], 0.0);
        QCOMPARE(element->m_scale.p[0], 1.0);
        QCOMPARE(element->GetViews().size(), std::size_t{1});
        QCOMPARE(form->GetElement(), element);
        QVERIFY(!form->GetOwner()->IsModified());
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScopedNewKind> m_newKind;
    std::unique_ptr<CVoxmillApp> m_app;
    CMainFrame* m_frame = nullptr;
};

QTEST_MAIN(PhantomWindowTest)
#include "PhantomWindowTest.moc"
