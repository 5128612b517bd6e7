// The main window's actions and menus, and the two dialogs the menus open.
#include "pelvane.h"

#include "aboutwindow.h"
#include "preferencesdlg.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

QAction *Pelvane::createAction(
    const QString &text, const QString &shortcut, const QString &tip, void (Pelvane::*slot)())
{
    auto *action = new QAction(text, this);
    action->setShortcut(QKeySequence(shortcut));
    action->setStatusTip(tip);
    if (slot)
        connect(action, &QAction::triggered, this, slot);
    return action;
}

void Pelvane::createActions()
{
    openAction = createAction(tr("&Open"), tr("Ctrl+O"), tr("Open a file"), &Pelvane::open);
    openStateAction = createAction(tr("&Open Ripper State"), tr("Ctrl+Shift+O"),
        tr("Open a ripper state"), &Pelvane::openState);
    saveStateAction = createAction(tr("&Save Ripper State"), tr("Ctrl+Shift+S"),
        tr("Save current ripper state"), &Pelvane::saveState);
    for (QAction *&action : recentActions) {
        action = new QAction(this);
        action->setVisible(false);
        connect(action, &QAction::triggered, this, &Pelvane::openRecentFile);
    }
    saveImagesAction
        = createAction(tr("&Save images"), tr("Ctrl+s"), tr("Save images"), &Pelvane::save);
    exportPaletteAction = createAction(tr("Export Palette..."), QString(),
        tr("Save the view's colours as a GIMP, JASC or Adobe palette file"),
        &Pelvane::exportPalette);
    quitAction = createAction(tr("&Quit"), tr("Ctrl+Q"), tr("Quit program"), nullptr);
    connect(quitAction, &QAction::triggered, this, &QWidget::close);
    preferencesAction
        = createAction(tr("&Preferences"), tr("Ctrl+P"), tr("Edit preferences"), &Pelvane::prefs);
    aboutAction
        = createAction(tr("&About"), tr("Ctrl+A"), tr("About this program"), &Pelvane::about);
}

void Pelvane::createMenus()
{
    fileMenu = menuBar()->addMenu(tr("&File"));
    fileMenu->addAction(openAction);
    fileMenu->addAction(openStateAction);
    fileMenu->addAction(saveStateAction);
    fileMenu->addAction(saveImagesAction);
    fileMenu->addAction(exportPaletteAction);
    recentSeparator = fileMenu->addSeparator();
    for (QAction *action : recentActions)
        fileMenu->addAction(action);
    fileMenu->addSeparator();
    refreshRecentMenu();
    fileMenu->addAction(quitAction);

    editMenu = menuBar()->addMenu(tr("&Edit"));
    editMenu->addAction(preferencesAction);

    createViewMenu();
    viewMenu->addSeparator();
    addZoomEntries(viewMenu);

    helpMenu = menuBar()->addMenu(tr("&Help"));
    helpMenu->addAction(aboutAction);
}

void Pelvane::about()
{
    aboutWindow dialog(this);
    dialog.exec();
}

void Pelvane::prefs()
{
    preferencesDlg dialog(this);
    dialog.exec();
}
