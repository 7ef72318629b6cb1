// Targets and operators in their windows: the drag data, the Target page's
// link (hand-over, replacement, giving back), the main frame's move-only
// drop, the source's side of both results, the compact icon form, the
// target view's commands, and an operator's progress and timing in its
// frame. Drops are delivered as QDropEvents carrying the drag's data.
#include <QMdiArea>
#include <QMimeData>
#include <QPointer>
#include <QProgressBar>
#include <QLabel>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>
#include <set>

#include "app/DocTemplate.h"
#include "app/Operator.h"
#include "app/Target.h"
#include "app/archive/ErrorSink.h"
#include "app/templates/DocManager.h"
#include "app/ui/ChildFrame.h"
#include "app/ui/DibImage.h"
#include "app/ui/IconFormWidget.h"
#include "app/ui/MainFrame.h"
#include "app/ui/OperatorChildFrame.h"
#include "app/ui/RecentFileList.h"
#include "app/ui/TargetMimeData.h"
#include "app/ui/TargetPage.h"
#include "app/ui/TargetView.h"
#include "app/ui/WidgetView.h"
#include "imaging/dib/Dib.h"
#include "tests/app/ui/UiTestSupport.h"

using namespace voxmill;
using namespace voxmill::test;

namespace {

std::set<const void*>& DeletedTargets() {
    static std::set<const void*> deleted;
    return deleted;
}

class CDummyTarget : public CTarget {
public:
    explicit CDummyTarget(std::uint16_t type) : m_type(type) {}
    ~CDummyTarget() override { DeletedTargets().insert(this); }
    std::uint16_t GetTargetType() const override { return m_type; }

private:
    std::uint16_t m_type;
};

class CPlainView : public CWidgetView {};

// An operator window with one Target page accepting phantoms (100).
class COperatorTestView : public CWidgetView {
public:
    COperatorTestView() : page(new CTargetPage({kTargetPhantom}, this)) {
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(page);
    }
    ~COperatorTestView() override { DetachFromDocument(); }
    CTargetPage* page;
};

constexpr unsigned kTargetView = 138, kPhantomLike = 900, kCollectionLike = 901, kOperator = 902;

std::unique_ptr<CDocManager> MakeDocManager() {
    std::vector<std::unique_ptr<CDocTemplate>> templates;
    templates.push_back(std::make_unique<CDocTemplate>(kTargetView, "\n\n\n\n\n\n", false, nullptr));
    templates.push_back(std::make_unique<CDocTemplate>(
        kPhantomLike, "\nDummy\nDummy\nDummy Files (*.dmy)\n.DMY\nDummy.Document\nDummy Document", true,
        [] { return new CDummyTarget(kTargetPhantom); }));
    templates.push_back(std::make_unique<CDocTemplate>(
        kCollectionLike, "\nOther\nOther\nOther Files (*.oth)\n.OTH\nOther.Document\nOther Document", true,
        [] { return new CDummyTarget(kTargetProjectionCollection); }));
    templates.push_back(std::make_unique<CDocTemplate>(
        kOperator, "\nOperator\nOperator\nOperator Files (*.opr)\n.OPR\nOperator.Document\nOperator Document", true,
        [] { return new COperator; }));
    return std::make_unique<CDocManager>(std::move(templates));
}

CChildFrame* FrameOf(const CDocument* doc) {
    return doc && !doc->GetViews().empty() ? dynamic_cast<CChildFrame*>(doc->GetViews().front()->GetParentFrame())
                                           : nullptr;
}

bool InList(const CDocTemplate* tmpl, const CDocument* doc) {
    const auto& docs = tmpl->GetDocuments();
    return std::find(docs.begin(), docs.end(), doc) != docs.end();
}

// Sends a drop of `data` at `pos` (in `site`'s coordinates); returns the
// action the site answered, IgnoreAction when it refused.
Qt::DropAction Drop(QWidget* site, const QMimeData& data, const QPoint& pos) {
    QDragEnterEvent enter(pos, Qt::MoveAction | Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(site, &enter);
    QDropEvent drop(QPointF(pos), Qt::MoveAction | Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(site, &drop);
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

// A 2 x 2 bitmap, 8 bits with a palette: bottom row first.
CDib SmallBitmap() {
    CDib dib(2, 2, 8);
    dib.CreateSection();
    RGBQUAD* colors = dib.GetColorTable();
    colors[1] = {255, 0, 0, 0};  // blue
    colors[2] = {0, 0, 255, 0};  // red
    std::uint8_t* bits = dib.GetBits();
    bits[0] = 1;  // bottom left
    bits[dib.GetRowBytes() + 1] = 2;  // top right
    return dib;
}

}  // namespace

class TargetDragTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        UseSettingsIn(*m_dir);
        m_docs = MakeDocManager();
        m_recent = std::make_unique<CRecentFileList>();
        m_frame = std::make_unique<CMainFrame>(*m_docs, *m_recent);
        m_frame->InstallFrames({{kTargetView, &CreateFrame<CChildFrame, CTargetView>},
                                {kPhantomLike, &CreateFrame<CChildFrame, CPlainView>},
                                {kCollectionLike, &CreateFrame<CChildFrame, CPlainView>},
                                {kOperator, &CreateFrame<COperatorChildFrame, COperatorTestView>}});
        m_frame->show();
        DeletedTargets().clear();
    }

    void cleanup() {
        m_frame->CloseAllDocuments();
        FlushDeletes();
        m_frame.reset();
        m_recent.reset();
        m_docs.reset();
    }

    void dragDataOffersOneFormatAndOnlyFromThisProcess() {
        CDummyTarget phantom(kTargetPhantom);
        CTargetMimeData data(phantom);
        QCOMPARE(data.formats(), QStringList{"application/x-voxmill-target-100"});
        QCOMPARE(data.data(data.formats().front()).size(), qsizetype(sizeof(void*)));
        QCOMPARE(CTargetMimeData::TargetFrom(&data, {kTargetPhantom}), &phantom);
        QCOMPARE(CTargetMimeData::TargetFrom(&data, {kTargetProjectionCollection, kTargetDigitizer}), nullptr);

        // The same bytes from elsewhere are never taken for an address.
        QMimeData forged;
        forged.setData(data.formats().front(), data.data(data.formats().front()));
        QCOMPARE(CTargetMimeData::TargetFrom(&forged, {kTargetPhantom}), nullptr);
        QCOMPARE(CTargetMimeData::TargetFrom(nullptr, {kTargetPhantom}), nullptr);
    }

    void dropOnTargetPageHandsTheDocumentOver() {
        auto* target = static_cast<CTarget*>(m_frame->NewDocument(*m_docs->FindTemplate(kPhantomLike)));
        QPointer<CChildFrame> source = FrameOf(target);
        CDocument* op = m_frame->NewDocument(*m_docs->FindTemplate(kOperator));
        CTargetPage* page = static_cast<COperatorTestView*>(FrameOf(op)->GetView())->page;
        QCOMPARE(page->TargetTypeName(), QString("n/a"));
        QSignalSpy changed(page, &CTargetPage::targetChanged);

        CTargetMimeData data(*target);
        QCOMPARE(Drop(page, data, QPoint(20, 20)), Qt::LinkAction);
        QCOMPARE(page->GetTarget(), target);
        QCOMPARE(page->TargetTypeName(), QString("Dummy Document"));
        QCOMPARE(page->findChildren<QLabel*>().at(0)->text(), QString("Target type:"));
        QCOMPARE(page->findChildren<QLabel*>().at(1)->text(), QString("Dummy Document"));
        QCOMPARE(changed.size(), 1);

        // The link result: no windows, out of its template's list, template
        // kept, no longer auto-deleted; the source's own handling after the
        // drag then has nothing left to do.
        QVERIFY(target->GetViews().empty());
        QVERIFY(!target->m_bAutoDelete);
        QCOMPARE(target->GetDocTemplate(), m_docs->FindTemplate(kPhantomLike));
        QVERIFY(!InList(m_docs->FindTemplate(kPhantomLike), target));
        source->ApplyDragResult(Qt::LinkAction, QPoint());
        FlushDeletes();
        QVERIFY(source.isNull());
        QVERIFY(!DeletedTargets().count(target));
        QCOMPARE(page->GetTarget(), target);
    }

    void sourceAppliesTheLinkResult() {
        auto* target = static_cast<CTarget*>(m_frame->NewDocument(*m_docs->FindTemplate(kPhantomLike)));
        QPointer<CChildFrame> source = FrameOf(target);
        source->ApplyDragResult(Qt::LinkAction, QPoint());
        FlushDeletes();
        QVERIFY(source.isNull());
        QVERIFY(target->GetViews().empty());
        QVERIFY(!target->m_bAutoDelete);
        QCOMPARE(target->GetDocTemplate(), m_docs->FindTemplate(kPhantomLike));
        QVERIFY(!InList(m_docs->FindTemplate(kPhantomLike), target));
        delete target;  // what an operator does with it in the end
    }

    void secondDropClosesAndDeletesTheFirst() {
        CDocument* op = m_frame->NewDocument(*m_docs->FindTemplate(kOperator));
        CTargetPage* page = static_cast<COperatorTestView*>(FrameOf(op)->GetView())->page;
        auto* first = static_cast<CTarget*>(m_frame->NewDocument(*m_docs->FindTemplate(kPhantomLike)));
        auto* second = static_cast<CTarget*>(m_frame->NewDocument(*m_docs->FindTemplate(kPhantomLike)));
        CTargetMimeData firstData(*first), secondData(*second);
        QCOMPARE(Drop(page, firstData, QPoint(20, 20)), Qt::LinkAction);
        QCOMPARE(Drop(page, secondData, QPoint(20, 20)), Qt::LinkAction);
        QVERIFY(DeletedTargets().count(first));
        QCOMPARE(page->GetTarget(), second);

        // Closing the operator's window deletes what its page holds.
        FrameOf(op)->close();
        FlushDeletes();
        QVERIFY(DeletedTargets().count(second));
    }

    void modifiedTargetGetsItsWindowBackWhenReplaced() {
        ScopedMessageBoxes boxes;
        CDocument* op = m_frame->NewDocument(*m_docs->FindTemplate(kOperator));
        CTargetPage* page = static_cast<COperatorTestView*>(FrameOf(op)->GetView())->page;
        auto* first = static_cast<CTarget*>(m_frame->NewDocument(*m_docs->FindTemplate(kPhantomLike)));
        auto* second = static_cast<CTarget*>(m_frame->NewDocument(*m_docs->FindTemplate(kPhantomLike)));
        CTargetMimeData firstData(*first), secondData(*second);
        Drop(page, firstData, QPoint(20, 20));
        first->SetModifiedFlag();

        QCOMPARE(Drop(page, secondData, QPoint(20, 20)), Qt::LinkAction);
        QCOMPARE(page->GetTarget(), second);
        QVERIFY(!DeletedTargets().count(first));
        QVERIFY(FrameOf(first));
        QVERIFY(first->m_bAutoDelete);
        QVERIFY(InList(m_docs->FindTemplate(kPhantomLike), first));
        QVERIFY(first->IsModified());
        QVERIFY(boxes.texts.isEmpty());

        // Its window asks as any modified document's does.
        boxes.answer = QMessageBox::Cancel;
        FrameOf(first)->close();
        QCOMPARE(boxes.texts, QStringList{"Save changes to Dummy1?"});
        QVERIFY(!DeletedTargets().count(first));
    }

    void aModifiedTargetWithoutAWindowIsOfferedForSavingBeforeReplacement() {
        ScopedMessageBoxes boxes;
        CDocument* op = m_frame->NewDocument(*m_docs->FindTemplate(kOperator));
        CTargetPage* page = static_cast<COperatorTestView*>(FrameOf(op)->GetView())->page;
        // A target of a kind no window shows.
        CDocTemplate windowless(kPhantomLike + 10, "\nLoose\nLoose\n\n\n\n", false, nullptr);
        auto* first = new CDummyTarget(kTargetPhantom);
        first->SetDocTemplate(&windowless);
        first->SetTitle("Loose1");
        page->SetTarget(first);
        first->SetModifiedFlag();
        auto* second = static_cast<CTarget*>(m_frame->NewDocument(*m_docs->FindTemplate(kPhantomLike)));
        CTargetMimeData secondData(*second);

        boxes.answer = QMessageBox::Cancel;
        QCOMPARE(Drop(page, secondData, QPoint(20, 20)), Qt::IgnoreAction);
        QCOMPARE(page->GetTarget(), first);
        QCOMPARE(boxes.texts, QStringList{"Save changes to Loose1?"});

        boxes.answer = QMessageBox::No;
        QCOMPARE(Drop(page, secondData, QPoint(20, 20)), Qt::LinkAction);
        QCOMPARE(page->GetTarget(), second);
        QVERIFY(DeletedTargets().count(first));
    }

    void doubleClickGivesTheTargetBack() {
        CDocument* op = m_frame->NewDocument(*m_docs->FindTemplate(kOperator));
        CTargetPage* page = static_cast<COperatorTestView*>(FrameOf(op)->GetView())->page;
        auto* target = static_cast<CTarget*>(m_frame->NewDocument(*m_docs->FindTemplate(kPhantomLike)));
        CTargetMimeData data(*target);
        Drop(page, data, QPoint(20, 20));
        FlushDeletes();
        QSignalSpy changed(page, &CTargetPage::targetChanged);

        QTest::mouseDClick(page, Qt::LeftButton, Qt::NoModifier, CTargetPage::IconArea().center());
        QCOMPARE(page->GetTarget(), nullptr);
        QCOMPARE(page->TargetTypeName(), QString("n/a"));
        QCOMPARE(changed.size(), 1);
        QVERIFY(InList(m_docs->FindTemplate(kPhantomLike), target));
        QVERIFY(target->m_bAutoDelete);
        QCOMPARE(target->GetViews().size(), std::size_t{1});
        QVERIFY(!DeletedTargets().count(target));
    }

    void pageRefusesCodesItDoesNotAccept() {
        CDocument* op = m_frame->NewDocument(*m_docs->FindTemplate(kOperator));
        CTargetPage* page = static_cast<COperatorTestView*>(FrameOf(op)->GetView())->page;
        auto* other = static_cast<CTarget*>(m_frame->NewDocument(*m_docs->FindTemplate(kCollectionLike)));
        CTargetMimeData data(*other);
        QCOMPARE(Drop(page, data, QPoint(20, 20)), Qt::IgnoreAction);
        QCOMPARE(page->GetTarget(), nullptr);
        QCOMPARE(other->GetViews().size(), std::size_t{1});
    }

    void dropOnMainFrameOnlyMovesTheWindow() {
        auto* target = static_cast<CTarget*>(m_frame->NewDocument(*m_docs->FindTemplate(kPhantomLike)));
        CChildFrame* source = FrameOf(target);
        const QSize size = source->size();
        CTargetMimeData data(*target);
        const QPoint dropAt = m_frame->MdiArea()->mapTo(m_frame.get(), QPoint(200, 150));
        QCOMPARE(Drop(m_frame.get(), data, dropAt), Qt::MoveAction);
        // The drop changed nothing: same window, same document state.
        QCOMPARE(FrameOf(target), source);
        QVERIFY(target->m_bAutoDelete);
        QVERIFY(InList(m_docs->FindTemplate(kPhantomLike), target));
        QVERIFY(data.HasDropPoint());

        source->ApplyDragResult(Qt::MoveAction, data.DropPoint());
        QCOMPARE(source->mapTo(m_frame.get(), QPoint(0, 0)), dropAt);
        QCOMPARE(source->size(), size);
        QCOMPARE(target->GetViews().size(), std::size_t{1});

        // Nothing but phantoms and digitizers may be moved that way.
        auto* other = static_cast<CTarget*>(m_frame->NewDocument(*m_docs->FindTemplate(kCollectionLike)));
        CTargetMimeData otherData(*other);
        QCOMPARE(Drop(m_frame.get(), otherData, dropAt), Qt::IgnoreAction);
    }

    void minimisingShowsTheCompactIconForm() {
        auto* target = static_cast<CTarget*>(m_frame->NewDocument(*m_docs->FindTemplate(kPhantomLike)));
        CChildFrame* frame = FrameOf(target);
        frame->setGeometry(40, 30, 300, 200);
        const QRect before = frame->geometry();
        frame->showMinimized();
        auto* icon = frame->findChild<CIconFormWidget*>();
        QVERIFY(frame->IsIconForm());
        QVERIFY(!frame->isMinimized());
        QVERIFY(frame->windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(frame->mask(), icon->Shape());
        QCOMPARE(frame->pos(), before.topLeft());
        QVERIFY(frame->width() < before.width() && frame->height() < before.height());

        QVERIFY(icon && icon->isVisible());
        QTest::mouseDClick(icon, Qt::LeftButton, Qt::NoModifier, icon->IconRect().center());
        QVERIFY(!frame->IsIconForm());
        QVERIFY(!(frame->windowFlags() & Qt::FramelessWindowHint));
        // Only the style's own frame shape may clip the restored window.
        QVERIFY(frame->mask().isEmpty() || frame->mask().boundingRect() == frame->rect());
        QCOMPARE(frame->geometry(), before);
        QVERIFY(frame->GetView()->isVisible());
    }

    void targetViewChangesTheIconAndReturnsToTheDocument() {
        ScopedFilePrompts prompts;
        auto* target = static_cast<CTarget*>(m_frame->NewDocument(*m_docs->FindTemplate(kPhantomLike)));
        QVERIFY(CChildFrame::ReplaceFrames(*target, *m_docs->FindTemplate(kTargetView)));
        FlushDeletes();
        QCOMPARE(target->GetViews().size(), std::size_t{1});
        auto* view = dynamic_cast<CTargetView*>(FrameOf(target)->GetView());
        QVERIFY(view);
        QVERIFY(InList(m_docs->FindTemplate(kPhantomLike), target));

        const QString bmp = m_dir->filePath("icon.bmp");
        QVERIFY(SmallBitmap().WriteFile(bmp.toStdString()));
        prompts.paths = {bmp};
        view->ChangeIconAction()->trigger();
        QCOMPARE(prompts.requests.front().filters, QStringList{"Bitmaps (*.bmp)"});
        QVERIFY(target->GetIcon()->HasImage());
        QVERIFY(target->IsModified());

        // Not a bitmap: reported, icon kept.
        const QString junk = m_dir->filePath("junk.bmp");
        QFile file(junk);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a bitmap");
        file.close();
        prompts.paths = {junk};
        ClearLastReportedError();
        view->ChangeIconAction()->trigger();
        QCOMPARE(QString::fromStdString(LastReportedError()), QString("ReadSection error"));
        QCOMPARE(target->GetIcon()->GetWidth(), 2);

        view->DocumentAction()->trigger();
        FlushDeletes();
        QCOMPARE(target->GetViews().size(), std::size_t{1});
        QVERIFY(dynamic_cast<CPlainView*>(FrameOf(target)->GetView()));
        QVERIFY(target->m_bAutoDelete);
    }

    void operatorRunShowsProgressAndAverageTime() {
        auto* op = static_cast<COperator*>(m_frame->NewDocument(*m_docs->FindTemplate(kOperator)));
        auto* frame = static_cast<COperatorChildFrame*>(FrameOf(op));
        // 100 ns ticks: steps of 10, 10, 20 and 20 ms after a start at 5 s.
        std::vector<std::uint64_t> times = {50000000, 50100000, 50200000, 50400000, 50600000};
        std::size_t next = 0;
        op->SetClock([&] { return times[std::min(next++, times.size() - 1)]; });

        op->BeginRun(4, "Projecting");
        QCOMPARE(frame->StatusText(0), QString("Projecting"));
        QVERIFY(frame->ProgressBar()->isVisible());
        QCOMPARE(frame->ProgressBar()->maximum(), 4);
        QCOMPARE(frame->ProgressBar()->geometry(), frame->Pane(1)->geometry());
        op->Step();
        op->Step();
        QCOMPARE(frame->ProgressBar()->value(), 2);
        QCOMPARE(frame->StatusText(0), QString("Projecting"));
        op->Step();
        op->Step();
        QVERIFY(!frame->ProgressBar()->isVisible());
        QCOMPARE(frame->StatusText(0), QString::fromUtf8("Average time: 15 \u00b1 5 ms / step"));
        QCOMPARE(op->m_sumMs, qint64(60));
        QCOMPARE(op->m_sumSqMs, qint64(1000));

        // Equal steps: no spread.
        times = {0, 70000, 140000, 210000};
        next = 0;
        op->BeginRun(3, "Rendering");
        for (int i = 0; i < 3; ++i) op->Step();
        QCOMPARE(frame->StatusText(0), QString::fromUtf8("Average time: 7 \u00b1 0 ms / step"));
    }

    void operatorWithoutViewStillCountsAndTimes() {
        COperator op;
        std::uint64_t now = 0;
        op.SetClock([&] { return now; });
        op.BeginRun(2, "Warping");
        now += 250000;
        op.Step();
        QCOMPARE(op.GetStatusText(), std::string("Warping"));
        now += 350000;
        op.Step();
        QCOMPARE(op.m_nStep, 2u);
        QCOMPARE(op.GetStatusText(), std::string("Average time: 30 \u00b1 5 ms / step"));
        // Broken-down time of the last step.
        QCOMPARE(int(op.m_timeNow.wYear), 1601);
        QCOMPARE(int(op.m_timeNow.wMilliseconds), 60);
        const CSystemTime epoch = COperator::FileTimeToSystemTime(116444736000000000ULL);
        QCOMPARE(int(epoch.wYear), 1970);
        QCOMPARE(int(epoch.wDayOfWeek), 4);  // a Thursday
    }

    void bitmapsConvertForDrawing() {
        const QImage image = DibToImage(SmallBitmap());
        QCOMPARE(image.size(), QSize(2, 2));
        QCOMPARE(image.pixel(0, 1), qRgb(0, 0, 255));  // bottom left, stored first
        QCOMPARE(image.pixel(1, 0), qRgb(255, 0, 0));
        QCOMPARE(image.pixel(0, 0), qRgb(0, 0, 0));

        CDib wide(3, 1, 24);
        wide.CreateSection();
        wide.GetBits()[2] = 200;  // red of the first pixel (BGR)
        QCOMPARE(DibToImage(wide).pixel(0, 0), qRgb(200, 0, 0));

        QVERIFY(DibToImage(CDib()).isNull());
        CDib odd(4, 4, 7);  // no such depth
        QVERIFY(DibToImage(odd).isNull());
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<CDocManager> m_docs;
    std::unique_ptr<CRecentFileList> m_recent;
    std::unique_ptr<CMainFrame> m_frame;
};

QTEST_MAIN(TargetDragTest)
#include "TargetDragTest.moc"
