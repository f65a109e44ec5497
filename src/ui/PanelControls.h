#pragma once

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPlainTextEdit;
class QProgressBar;
class QSlider;
class QWidget;

namespace pelmix::ui {

class Picture;
class PictureButton;

// The main window's controls. Each widget's objectName is its name here.
struct PanelControls
{
    QFrame *fraPanel = nullptr;
    QLineEdit *Tablo1 = nullptr;
    QLineEdit *Tablo2 = nullptr;
    Picture *oneX = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    PictureButton *calibr = nullptr;
    PictureButton *F = nullptr;
    PictureButton *T = nullptr;
    PictureButton *dt = nullptr;
    PictureButton *Sum = nullptr;
    PictureButton *Digital = nullptr;
    PictureButton *Analog = nullptr;
    QSlider *Slider1 = nullptr;
    Picture *Pic1 = nullptr;
    Picture *Pic2 = nullptr;
    PictureButton *Sr = nullptr;
    PictureButton *Fr = nullptr;
    QLabel *Ndp = nullptr;
    QSlider *Slider2 = nullptr;
    QWidget *scal = nullptr;
    Picture *Str11 = nullptr;
    Picture *Str21 = nullptr;
    PictureButton *hand1 = nullptr;
    QPlainTextEdit *dbgout = nullptr;

    QAction *mnuFOpen = nullptr;
    QAction *mnuFSave = nullptr;
    QAction *mnuFExit = nullptr;
    QAction *mnuOSelect = nullptr;
    QAction *mnuHAbout = nullptr;
};

// Builds the front panel's controls on `central`, each in its frame, at its place.
PanelControls buildPanelControls(QWidget *central);
// Fills the menu bar and notes its entries in `controls`.
void buildMenus(QMenuBar *bar, PanelControls &controls);

} // namespace pelmix::ui
