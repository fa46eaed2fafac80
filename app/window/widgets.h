#pragma once
// The few controls the window needs that Qt does not offer in the required shape: a radio group
// whose index change is one event, a progress gauge that clamps, spin boxes that hold a typed
// value at their limits (the temperature's among them), a status bar of fixed-width panels, a
// plain row of tool buttons and the plot image.

#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QSpinBox>
#include <QWidget>

#include <functional>
#include <vector>

class QButtonGroup;
class QRadioButton;
class QToolButton;

namespace pirolex {

// A captioned group of radio buttons in one column. OnClick runs whenever the index changes,
// by the user or by SetItemIndex, as the window's handlers expect.
class RadioGroup : public QGroupBox {
public:
    RadioGroup(const QString& caption, const QStringList& items, QWidget* parent);

    int ItemIndex() const { return index_; }
    void SetItemIndex(int index);           // runs OnClick when the index changes
    void SetItemIndexQuietly(int index);    // does not
    int Count() const { return static_cast<int>(buttons_.size()); }
    QRadioButton* Button(int i) const { return buttons_[static_cast<size_t>(i)]; }

    std::function<void()> OnClick;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Check(int index);
    void LayOut();

    QButtonGroup* group_;
    std::vector<QRadioButton*> buttons_;
    int index_ = -1;
    bool quiet_ = false;
};

// Horizontal progress gauge, 0..100, blue fill, percentage in the middle.
class Gauge : public QWidget {
public:
    static constexpr int kMin = 0;
    static constexpr int kMax = 100;
    static constexpr QRgb kFill = 0xFF0000FF;  // blue

    explicit Gauge(QWidget* parent);
    int Progress() const { return progress_; }
    void SetProgress(int value);  // clamped into the range

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int progress_ = 0;
};

// Spin boxes for typed values. A number beyond the range is held at the nearest limit once the
// entry is done, and the field shows the limit, instead of the key that takes the text past it
// being swallowed (typing "50" into -20..40 had left "5"). A decimal comma counts as a point, and
// more decimals than the box shows are rounded.
class TypedSpinBox : public QSpinBox {
public:
    explicit TypedSpinBox(QWidget* parent);

protected:
    QValidator::State validate(QString& text, int& pos) const override;
    void fixup(QString& text) const override;
};

class TypedDoubleSpinBox : public QDoubleSpinBox {
public:
    explicit TypedDoubleSpinBox(QWidget* parent);

protected:
    QValidator::State validate(QString& text, int& pos) const override;
    void fixup(QString& text) const override;
};

// The temperature's spin edit: tenths of a degree typed, whole degrees stepped by its arrows
// (buttons, keys, wheel). A whole degree shows without a decimal ("15 °C", "22.5 °C").
class ArrowSpinEdit : public TypedDoubleSpinBox {
public:
    explicit ArrowSpinEdit(QWidget* parent);

protected:
    QString textFromValue(double value) const override;
};

// A bar of sunken text panels with fixed widths; one of them, the last unless told otherwise,
// also takes the room the others leave up to the right edge.
class PanelStatusBar : public QWidget {
public:
    PanelStatusBar(const std::vector<int>& widths, QWidget* parent, int stretch = -1);
    int Count() const { return static_cast<int>(panels_.size()); }
    QString PanelText(int index) const;
    void SetPanelText(int index, const QString& text);
    const QLabel* Panel(int index) const { return panels_.at(static_cast<size_t>(index)); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    std::vector<int> widths_;
    size_t stretch_;
    std::vector<QLabel*> panels_;
};

// The visible plot: shows a copy of PlotBitmap at (0, 0), one pixel per bitmap pixel, and
// reports the mouse in bitmap coordinates: presses, moves (with or without a button held),
// releases, double clicks and the pointer leaving. A band of columns being chosen is shaded on
// the screen only, never in the picture.
class PlotImage : public QWidget {
public:
    explicit PlotImage(QWidget* parent);
    const QImage& Picture() const { return picture_; }
    void SetPicture(const QImage& picture);
    // New size; the old picture is kept where it fits, the rest is white.
    void ResizePicture(int width, int height);

    // Columns from..to (either order) shaded; none after ClearSelection.
    void SetSelection(int from, int to);
    void ClearSelection();
    bool HasSelection() const { return selectionFrom_ >= 0; }

    std::function<void(Qt::MouseButton, int, int)> OnMouseDown;
    std::function<void(int, int)> OnMouseMove;
    std::function<void(Qt::MouseButton, int, int)> OnMouseUp;
    // Without it a double click counts as a press, as the first click of the pair did.
    std::function<void(Qt::MouseButton, int, int)> OnDoubleClick;
    std::function<void()> OnLeave;
    // The wheel turned by this many notches, away from the user positive; a touchpad's small
    // steps add up to whole notches.
    std::function<void(int)> OnWheel;
    // The same with Strg held.
    std::function<void(int)> OnZoomWheel;

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QImage picture_;
    int selectionFrom_ = -1;
    int selectionTo_ = -1;
    int wheelEighths_ = 0;  // degrees x 8 not yet a whole notch
};

}  // namespace pirolex
