// The plot server: one dialog, owned by the application for the whole run,
// that collects value profiles (curves of equally spaced samples) and
// shows all of them in one chart, one line series per curve, sample index
// along x. Curves accumulate until "Erase plots"; "Copy to Clipboard" puts
// the chart's picture and its values (tab-separated text, one row per
// sample, one column per curve) on the clipboard.
//
// A curve may have another sample count than the first one: it is drawn
// with its own samples, and the text leaves its missing rows empty.
#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

class QChart;
class QChartView;
class QPushButton;

namespace voxmill {

class CPlotServer : public QDialog {
    Q_OBJECT

public:
    // Data about a curve from its caller, kept with it and not interpreted
    // here (the image view's line tool passes its line's ends).
    using PlotInfo = std::array<std::uint32_t, 8>;

    struct Plot {
        PlotInfo info{};
        std::vector<float> values;
        QString name;  // the series' legend text
    };

    explicit CPlotServer(QWidget* parent = nullptr);
    ~CPlotServer() override;

    // The instance the application owns, or null outside a workbench run.
    static CPlotServer* ApplicationServer();
    static void SetApplicationServer(CPlotServer* server);

    // Appends a copy of `count` samples; count <= 0 (or no values) adds
    // nothing. `name` labels the curve; "Profile N" when empty.
    void AddPlot(int count, const float* values, const PlotInfo& info, const QString& name = QString());
    const std::vector<Plot>& Plots() const { return m_plots; }

    // Rebuilds the chart from the plots (what showing the dialog does).
    void InitDialog();
    // Rebuilds the chart and runs the dialog modally, centred over the
    // parent's window.
    int Run(QWidget* parent);

    QChart* Chart() const { return m_pChart; }
    QChartView* ChartView() const { return m_pChartView; }
    // The values as the clipboard gets them.
    QString ValuesText() const;

public slots:
    void OnCopyToClipboard();
    void OnErasePlots();

private:
    void CreateControls();
    void ClearChart();

    std::vector<Plot> m_plots;
    QChart* m_pChart;
    QChartView* m_pChartView;
    QPushButton* m_pCopy = nullptr;
    QPushButton* m_pErase = nullptr;
};

}  // namespace voxmill
