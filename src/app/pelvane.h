#pragma once

#include "copperscan.h"
#include "copperwalk.h"
#include "framerender.h"
#include "gridkey.h"
#include "memoryoverview.h"
#include "ripperstate.h"
#include "ui_pelvane.h"

#include <QMainWindow>
#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>

class FrameWindow;
class MemoryMapView;
class HtmlLog;
class QAction;
class QLabel;
class QMenu;

#include "exporter.h"

// The main window: owns the snapshot, the view parameters, the canvas and every control.
class Pelvane : public QMainWindow
{
    Q_OBJECT

public:
    static QString titleText(); // "Pelvane 0.6"

    explicit Pelvane(QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    ~Pelvane() override;

    // Decoding and the grid; the work is done by the core library.
    int pixelValue(std::int64_t position, int x, int y) const;
    void drawPicture(QImage &dest, std::int64_t position, int left, int top) const;
    void drawGrid();
    void refreshView();
    void setControlsEnabled(bool enabled);
    std::int64_t pictureStride() const;
    // Draws the grid through the literal per-pixel decoder (for measuring it against the fast one).
    void setLiteralDecoding(bool literal)
    {
        m_literalDecoding = literal;
        m_shown.reset();
    }

    // Palettes.
    void setDefaultPalette(QImage &image) const;
    void resetPalette();
    int findChunk(const char *tag) const;
    void readEcsPalette();
    void readAgaPalette();
    void searchCopperSimple();
    void searchCopperAdvanced();

    // Snapshots and the recent-file list.
    void loadSnapshot(const QString &path);
    void recordCurrentFile(const QString &path);
    void refreshRecentMenu();

    // The screens the snapshot's Copper list displays, found once per snapshot.
    void showNextScreen();
    void showScreen(int index);
    // The memory map, its overview made once per snapshot.
    void showMemoryMap();
    void jumpToPosition(qint64 position);
    MemoryMapView *memoryMap() const { return m_memoryMap; }
    // The width at which the bytes from the offset repeat line after line.
    void guessWidth();
    // Screens of the other Copper lists in chip RAM, found once per snapshot.
    void showMemoryScreen(int index);
    const std::vector<CopperScan::MemoryScreen> &memoryScreens() const { return m_memoryScreens; }

    // The displayed frame, drawn once per snapshot, its window and its sprites.
    void showFrameWindow();
    void showSprite(int index);
    void showFrameTarget(QPoint framePixel);
    void exportDisplayedFrame();
    const FrameRender::Frame &displayedFrame() const { return m_displayedFrame; }
    FrameWindow *frameWindow() const { return m_frameWindow; }

    // Ripper state files and export.
    void loadState(QString fileName);
    Exporter::Result exportPictures(
        int picturesX, int picturesY, bool leftToRight, int border, int color, QString fileName);
    // PNG or IFF ILBM by the name's extension, one file or one per picture.
    Exporter::SplitResult exportImages(
        const Exporter::Request &request, const QString &fileName, bool split);
    // The view's colours (2^planes, or all 256) as a GIMP, JASC or Adobe palette file.
    bool writePalette(const QString &fileName, bool allColours, int transparent) const;
    void exportPalette();

    // The picture area: magnification, the readout under the pointer and jumps to a picture.
    int zoom() const { return m_zoom; }
    void setZoom(int factor);

    const RipperState &state() const { return m_state; }
    // Direct access for tests that set up a view without going through the controls; the next
    // refresh draws afresh.
    RipperState &stateForTesting()
    {
        m_shown.reset();
        return m_state;
    }
    const Ui::PelvaneClass &form() const { return ui; }
    QMenu *fileMenuForTesting() const { return fileMenu; }
    std::array<QAction *, 8> recentActionsForTesting() const { return recentActions; }
    QAction *recentSeparatorForTesting() const { return recentSeparator; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private slots:
    void save();
    void openState();
    void saveState();
    void on_sliderBit0_valueChanged(int);
    void on_sliderBit1_valueChanged(int);
    void on_sliderBit2_valueChanged(int);
    void on_sliderBit3_valueChanged(int);
    void on_sliderBit4_valueChanged(int);
    void on_sliderBit5_valueChanged(int);
    void on_sliderBit6_valueChanged(int);
    void on_sliderBit7_valueChanged(int);
    void on_buttonResetPal_clicked();
    void on_radioPaletteAdvanced_toggled(bool);
    void on_radioPaletteSimple_toggled(bool);
    void on_radioPaletteAGA_toggled(bool);
    void on_radioPaletteECS_toggled(bool);
    void on_buttonSearchPal_clicked();
    void on_sliderBits_valueChanged(int);
    void on_radioSkipModeBitplanes_toggled(bool checked);
    void on_radioSkipModePictures_toggled(bool checked);
    void on_sliderSkipAmount_valueChanged(int);
    void on_radioModeCminus_toggled(bool checked);
    void on_radioModeCplus_toggled(bool checked);
    void on_radioModeSP_toggled(bool checked);
    void on_radioModeST_toggled(bool checked);
    void on_radioModeAM_toggled(bool checked);
    void on_sliderYSize_valueChanged(int);
    void on_sliderXSize_valueChanged(int);
    void on_horizontalSlider_valueChanged(int);
    void open();
    void about();
    void prefs();
    void openRecentFile();

private:
    void restoreWindowPosition();
    void createActions();
    void createMenus();
    void createViewMenu();
    void findScreens();
    void findMemoryScreens();
    void applyScreen(
        const CopperWalk::Frame &frame, int index, const QString &title, QStringList notes);
    void createMemoryMapEntry();
    std::vector<MemoryMap::Overlay> mapOverlays() const;
    void refreshMemoryMap(bool newSnapshot);
    void rememberJump();
    void createFrameEntries();
    void findFrame();
    QAction *createAction(
        const QString &text, const QString &shortcut, const QString &tip, void (Pelvane::*slot)());
    void setBitplaneOrderEntry(int entry, int value);
    void setModeIfChecked(bool checked, int mode);
    void setSkipModeIfChecked(bool checked, int skipmode);
    void clampToControls();
    void writeControls();
    void stepOffset(int delta, bool allowed);
    void createStatusLines();
    void showSnapshotInfo();
    void addZoomEntries(QMenu *menu);
    void enableZoomEntries();
    void showCanvas();
    std::optional<QPoint> canvasPointAt(QPoint labelPoint) const;
    void showPointerReadout();
    void jumpToPictureAt(QPoint labelPoint);
    void undoJump();
    void selectNextPaletteSource();
    bool applyPaletteSource();

    Ui::PelvaneClass ui;
    std::unique_ptr<HtmlLog> logFile;
    QMenu *fileMenu = nullptr;
    QMenu *editMenu = nullptr;
    QMenu *viewMenu = nullptr;
    QMenu *helpMenu = nullptr;
    QMenu *screensMenu = nullptr;
    QMenu *spritesMenu = nullptr;
    QMenu *memoryScreensMenu = nullptr;
    QAction *displayedScreenAction = nullptr;
    QAction *displayedFrameAction = nullptr;
    QAction *exportFrameAction = nullptr;
    QAction *exportPaletteAction = nullptr;
    QAction *guessWidthAction = nullptr;
    QAction *memoryMapAction = nullptr;
    QAction *openAction = nullptr;
    QAction *openStateAction = nullptr;
    QAction *saveStateAction = nullptr;
    QAction *preferencesAction = nullptr;
    QAction *saveImagesAction = nullptr;
    QAction *quitAction = nullptr;
    QAction *recentSeparator = nullptr;
    QAction *aboutAction = nullptr;
    QAction *zoomInAction = nullptr;
    QAction *zoomOutAction = nullptr;
    QAction *actualSizeAction = nullptr;
    QLabel *pointerLabel = nullptr;
    QLabel *snapshotInfoLabel = nullptr;
    QString m_snapshotSummary; // of the loaded snapshot, for snapshotInfoLabel
    RipperState m_state;
    bool m_literalDecoding = false;
    std::optional<GridKey> m_shown; // what labelPicture shows now
    std::array<QAction *, 8> recentActions {};
    int m_zoom = 1;
    std::optional<QPoint> m_pointer; // over labelPicture, in its coordinates
    std::deque<int> m_jumps; // offsets before the latest jumps, the newest last
    CopperWalk::Frame m_frame; // of the loaded snapshot
    int m_screenIndex = -1; // the screen shown last, -1 before the first
    FrameRender::Frame m_displayedFrame; // of the loaded snapshot
    std::vector<CopperScan::MemoryScreen> m_memoryScreens; // of the loaded snapshot
    MemoryMap::Overview m_overview; // of the loaded snapshot
    QWidget *m_memoryMapWindow = nullptr; // made when first shown
    MemoryMapView *m_memoryMap = nullptr;
    FrameWindow *m_frameWindow = nullptr; // made when first shown
};
