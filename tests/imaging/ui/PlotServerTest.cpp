// The plot server: curves accumulate, one series per curve, erase, and the
// clipboard's picture and values.
#include <QApplication>
#include <QChart>
#include <QClipboard>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QValueAxis>
#include <QMimeData>
#include <QPushButton>
#include <QTest>

#include "app/ui/PlotServer.h"
#include "tests/imaging/ui/DialogAnswers.h"

namespace voxmill {
namespace {

std::vector<float> Ramp(int count, float scale) {
    std::vector<float> v;
    for (int i = 0; i < count; ++i) v.push_back(scale * static_cast<float>(i));
    return v;
}

QList<QLineSeries*> Series(const CPlotServer& server) {
    QList<QLineSeries*> list;
    for (QAbstractSeries* s : server.Chart()->series())
        if (auto* line = qobject_cast<QLineSeries*>(s)) list << line;
    return list;
}

}  // namespace

class PlotServerTest : public QObject {
    Q_OBJECT

private slots:
    void threeProfilesShowAsThreeSeries() {
        CPlotServer server;
        QCOMPARE(server.windowTitle(), QStringLiteral("Voxmill Plot Server"));
        for (int j = 1; j <= 3; ++j) server.AddPlot(100, Ramp(100, float(j)).data(), {});
        server.InitDialog();
        const QList<QLineSeries*> series = Series(server);
        QCOMPARE(series.size(), 3);
        for (int j = 0; j < 3; ++j) {
            QCOMPARE(series[j]->count(), 100);
            QCOMPARE(series[j]->at(99), QPointF(99.0, 99.0 * (j + 1)));
        }
        QCOMPARE(series[1]->name(), QStringLiteral("Profile 2"));
    }

    void axesKeepTheirLabelsApart() {
        CPlotServer server;
        server.AddPlot(100, Ramp(100, 1000.5f).data(), {}, QStringLiteral("a.slc: Line from [0,0] to [99,0]"));
        server.AddPlot(100, Ramp(100, -3.25f).data(), {}, QStringLiteral("b.prj: Line from [0,9] to [99,9]"));
        server.InitDialog();
        server.resize(760, 420);
        server.show();
        QVERIFY(QTest::qWaitForWindowExposed(&server));
        QChart* chart = server.Chart();
        auto* x = qobject_cast<QValueAxis*>(chart->axes(Qt::Horizontal).value(0));
        auto* y = qobject_cast<QValueAxis*>(chart->axes(Qt::Vertical).value(0));
        QVERIFY(x && y);
        // Sample ticks every ten samples from 0; values at round numbers in short form.
        QCOMPARE(x->tickType(), QValueAxis::TicksDynamic);
        QCOMPARE(x->tickInterval(), 10.0);
        QCOMPARE(x->min(), 0.0);
        QCOMPARE(x->max(), 99.0);
        QCOMPARE(y->labelFormat(), QStringLiteral("%.4g"));
        QVERIFY(y->min() <= 99 * -3.25 && y->max() >= 99 * 1000.5);
        // The legend sits right of the plot, away from both axes' labels
        // (left and below it), and inside the chart.
        const QRectF plot = chart->plotArea();
        const QRectF legend = chart->legend()->geometry();
        QVERIFY2(legend.left() >= plot.right(),
                 qPrintable(QStringLiteral("legend left %1, plot right %2").arg(legend.left()).arg(plot.right())));
        QVERIFY(legend.right() <= chart->size().width() + 0.5);
        QVERIFY(chart->legend()->showToolTips());
        QStringList names;
        for (QLegendMarker* marker : chart->legend()->markers()) names << marker->label();
        QCOMPARE(names, (QStringList{QStringLiteral("a.slc: Line from [0,0] to [99,0]"),
                                     QStringLiteral("b.prj: Line from [0,9] to [99,9]")}));
        server.hide();
    }

    void emptyAndNegativeCountsAddNothing() {
        CPlotServer server;
        const float v[1] = {1};
        server.AddPlot(0, v, {});
        server.AddPlot(-5, v, {});
        server.AddPlot(3, nullptr, {});
        QVERIFY(server.Plots().empty());
        server.InitDialog();
        QVERIFY(Series(server).isEmpty());
    }

    void callerBufferIsCopied() {
        CPlotServer server;
        std::vector<float> values = Ramp(10, 1.0f);
        CPlotServer::PlotInfo info{};
        info[7] = 42;
        server.AddPlot(10, values.data(), info, QStringLiteral("line"));
        values.assign(10, -1.0f);
        QCOMPARE(server.Plots().front().values[5], 5.0f);
        QCOMPARE(server.Plots().front().info[7], 42u);
        QCOMPARE(server.Plots().front().name, QStringLiteral("line"));
    }

    void eraseThenReopenShowsAnEmptyChart() {
        CPlotServer server;
        server.AddPlot(100, Ramp(100, 1).data(), {});
        server.AddPlot(100, Ramp(100, 2).data(), {});
        test::ScopedDialogAnswers answers;
        answers.Accept<CPlotServer>([](CPlotServer& s) {
            QCOMPARE(Series(s).size(), 2);
            s.findChild<QPushButton*>(QStringLiteral("erasePlots"))->click();
            QVERIFY(s.isVisible());  // erasing does not close the dialog
        });
        answers.Accept<CPlotServer>([](CPlotServer& s) { QVERIFY(Series(s).isEmpty()); });
        server.Run(nullptr);
        QVERIFY(server.Plots().empty());
        server.Run(nullptr);
        QCOMPARE(answers.seen.size(), std::size_t(2));
    }

    void copyPutsPictureAndValues() {
        CPlotServer server;
        server.AddPlot(3, Ramp(3, 1).data(), {}, QStringLiteral("a"));
        server.AddPlot(2, Ramp(2, 0.5f).data(), {}, QStringLiteral("b"));
        server.resize(500, 400);
        server.InitDialog();
        server.OnCopyToClipboard();
        const QMimeData* data = QApplication::clipboard()->mimeData();
        QVERIFY(data);
        QVERIFY(data->hasImage());
        QVERIFY(!qvariant_cast<QImage>(data->imageData()).isNull());
        // A shorter curve leaves its missing rows empty.
        QCOMPARE(data->text(), QStringLiteral("Sample\ta\tb\n0\t0\t0\n1\t1\t0.5\n2\t2\t\n"));
        // And is drawn with its own samples.
        QCOMPARE(Series(server)[1]->count(), 2);
    }
};

}  // namespace voxmill

QTEST_MAIN(voxmill::PlotServerTest)
#include "PlotServerTest.moc"
