#include "widgets.h"

#include <QButtonGroup>
#include <QLineEdit>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QPainter>
#include <QRadioButton>

#include <algorithm>
#include <cmath>
#include <optional>

namespace pirolex {

// ---- RadioGroup ---------------------------------------------------------------------------

RadioGroup::RadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent), group_(new QButtonGroup(this)) {
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        group_->addButton(button, i);
        buttons_.push_back(button);
    }
    connect(group_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (!checked || id == index_) return;
        index_ = id;
        if (!quiet_ && OnClick) OnClick();
    });
    LayOut();
}

void RadioGroup::Check(int index) {
    if (index < 0 || index >= Count()) {
        // No item selected: an exclusive group cannot uncheck its last button.
        group_->setExclusive(false);
        for (auto* button : buttons_) button->setChecked(false);
        group_->setExclusive(true);
        index_ = -1;
        return;
    }
    Button(index)->setChecked(true);
}

void RadioGroup::SetItemIndex(int index) {
    Check(index);
}

void RadioGroup::SetItemIndexQuietly(int index) {
    quiet_ = true;
    Check(index);
    quiet_ = false;
}

void RadioGroup::resizeEvent(QResizeEvent* event) {
    QGroupBox::resizeEvent(event);
    LayOut();
}

// The items share the room below the caption evenly, one column, as the classic radio group
// arranges them.
void RadioGroup::LayOut() {
    if (buttons_.empty()) return;
    const int captionHeight = fontMetrics().height();
    const int count = Count();
    // Rows too low to hold the indicator with room to spare (four items in the picture group)
    // start clear of the frame's top line instead of touching it.
    constexpr int kRoomyRow = 20;
    constexpr int kFrameInset = 3;
    const int fullRoom = height() - captionHeight - 5;
    const int inset = fullRoom / count < kRoomyRow ? kFrameInset : 0;
    const int room = fullRoom - inset;
    const int itemHeight = std::max(room / count, 1);
    const int top = captionHeight + 1 + inset + (room % count) / 2;
    for (int i = 0; i < count; ++i) {
        buttons_[static_cast<size_t>(i)]->setGeometry(8, top + i * itemHeight, width() - 10,
                                                      itemHeight);
    }
}

// ---- Gauge --------------------------------------------------------------------------------

Gauge::Gauge(QWidget* parent) : QWidget(parent) {}

void Gauge::SetProgress(int value) {
    const int clamped = std::clamp(value, kMin, kMax);
    if (clamped == progress_) return;
    progress_ = clamped;
    update();
}

void Gauge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect inner = rect().adjusted(1, 1, -1, -1);
    painter.fillRect(rect(), Qt::black);
    painter.fillRect(inner, Qt::white);
    const int filled = inner.width() * (progress_ - kMin) / (kMax - kMin);
    painter.fillRect(QRect(inner.left(), inner.top(), filled, inner.height()), QColor(kFill));
    painter.setPen(Qt::black);
    painter.drawText(inner, Qt::AlignCenter, QStringLiteral("%1%").arg(progress_));
}

// ---- TypedSpinBox, TypedDoubleSpinBox ----------------------------------------------------

namespace {

// The number a spin box's text stands for, without its prefix and suffix.
template <class SpinBox>
std::optional<double> TypedNumber(const SpinBox& box, const QString& text) {
    QString number = text;
    if (!box.prefix().isEmpty() && number.startsWith(box.prefix()))
        number.remove(0, box.prefix().size());
    if (!box.suffix().isEmpty() && number.endsWith(box.suffix()))
        number.chop(box.suffix().size());
    number = number.trimmed().replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = QLocale::c().toDouble(number, &ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    return value;
}

// What the box itself would refuse, a number out of range or with too many decimals, is an entry
// still being made; fixup settles it when the entry is done.
template <class SpinBox>
QValidator::State Validated(const SpinBox& box, QValidator::State own, const QString& text) {
    if (own != QValidator::Invalid) return own;
    return TypedNumber(box, text) ? QValidator::Intermediate : QValidator::Invalid;
}

template <class SpinBox>
std::optional<double> Settled(const SpinBox& box, const QString& text) {
    const std::optional<double> typed = TypedNumber(box, text);
    if (!typed) return std::nullopt;
    return std::clamp(*typed, static_cast<double>(box.minimum()), static_cast<double>(box.maximum()));
}

}  // namespace

TypedSpinBox::TypedSpinBox(QWidget* parent) : QSpinBox(parent) {}

QValidator::State TypedSpinBox::validate(QString& text, int& pos) const {
    return Validated(*this, QSpinBox::validate(text, pos), text);
}

void TypedSpinBox::fixup(QString& text) const {
    if (const std::optional<double> value = Settled(*this, text))
        text = prefix() + textFromValue(static_cast<int>(std::lround(*value))) + suffix();
}

TypedDoubleSpinBox::TypedDoubleSpinBox(QWidget* parent) : QDoubleSpinBox(parent) {}

QValidator::State TypedDoubleSpinBox::validate(QString& text, int& pos) const {
    return Validated(*this, QDoubleSpinBox::validate(text, pos), text);
}

void TypedDoubleSpinBox::fixup(QString& text) const {
    if (const std::optional<double> value = Settled(*this, text))
        text = prefix() + textFromValue(*value) + suffix();
}

// ---- ArrowSpinEdit ------------------------------------------------------------------------

ArrowSpinEdit::ArrowSpinEdit(QWidget* parent) : TypedDoubleSpinBox(parent) {
    // A typed value counts once the entry is done (Enter or leaving the field), not at every
    // digit; the arrows count at once.
    setKeyboardTracking(false);
    setDecimals(1);
    setSingleStep(1.0);
}

QString ArrowSpinEdit::textFromValue(double value) const {
    const double tenths = std::round(value * 10.0);
    if (std::fmod(tenths, 10.0) == 0.0) return locale().toString(static_cast<int>(tenths / 10.0));
    return locale().toString(tenths / 10.0, 'f', 1);
}

// ---- PanelStatusBar -----------------------------------------------------------------------

PanelStatusBar::PanelStatusBar(const std::vector<int>& widths, QWidget* parent, int stretch)
    : QWidget(parent),
      widths_(widths),
      stretch_(stretch >= 0 ? static_cast<size_t>(stretch) : widths.size() - 1) {
    for (size_t i = 0; i < widths_.size(); ++i) {
        auto* panel = new QLabel(this);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setIndent(2);
        panels_.push_back(panel);
    }
}

QString PanelStatusBar::PanelText(int index) const {
    return panels_.at(static_cast<size_t>(index))->text();
}

void PanelStatusBar::SetPanelText(int index, const QString& text) {
    panels_.at(static_cast<size_t>(index))->setText(text);
}

void PanelStatusBar::resizeEvent(QResizeEvent*) {
    int fixed = 0;
    for (size_t i = 0; i < widths_.size(); ++i)
        if (i != stretch_) fixed += widths_[i];
    int left = 0;
    for (size_t i = 0; i < panels_.size(); ++i) {
        const int w = i == stretch_ ? std::max(widths_[i], width() - fixed) : widths_[i];
        panels_[i]->setGeometry(left, 0, w, height());
        left += w;
    }
}

// ---- PlotImage ----------------------------------------------------------------------------

PlotImage::PlotImage(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Moves are reported without a button held too, for the readout under the cursor.
    setMouseTracking(true);
}

void PlotImage::SetSelection(int from, int to) {
    selectionFrom_ = std::max(std::min(from, to), 0);
    selectionTo_ = std::max(std::max(from, to), 0);
    update();
}

void PlotImage::ClearSelection() {
    if (!HasSelection()) return;
    selectionFrom_ = selectionTo_ = -1;
    update();
}

void PlotImage::SetPicture(const QImage& picture) {
    picture_ = picture;
}

void PlotImage::ResizePicture(int width, int height) {
    QImage next(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    next.fill(Qt::white);
    if (!picture_.isNull()) {
        QPainter painter(&next);
        painter.drawImage(0, 0, picture_);
    }
    picture_ = next;
    resize(picture_.size());
}

void PlotImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.drawImage(0, 0, picture_);
    if (HasSelection())
        painter.fillRect(QRect(selectionFrom_, 0, selectionTo_ - selectionFrom_ + 1, height()),
                         QColor(0, 0, 255, 48));
}

// On a scaled desktop a press comes at a fractional position; column x covers x <= p < x + 1,
// so the press belongs to the column it lies in, not to the nearest column boundary.
void PlotImage::wheelEvent(QWheelEvent* event) {
    constexpr int kEighthsPerNotch = 120;
    wheelEighths_ += event->angleDelta().y();
    const int notches = wheelEighths_ / kEighthsPerNotch;
    wheelEighths_ -= notches * kEighthsPerNotch;
    event->accept();
    if (notches == 0) return;
    if (event->modifiers() & Qt::ControlModifier) {
        if (OnZoomWheel) OnZoomWheel(notches);
    } else if (OnWheel) {
        OnWheel(notches);
    }
}

void PlotImage::mousePressEvent(QMouseEvent* event) {
    if (!OnMouseDown) return;
    const QPointF p = event->position();
    OnMouseDown(event->button(), static_cast<int>(std::floor(p.x())),
                static_cast<int>(std::floor(p.y())));
}

void PlotImage::mouseMoveEvent(QMouseEvent* event) {
    if (!OnMouseMove) return;
    const QPointF p = event->position();
    OnMouseMove(static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y())));
}

void PlotImage::mouseReleaseEvent(QMouseEvent* event) {
    if (!OnMouseUp) return;
    const QPointF p = event->position();
    OnMouseUp(event->button(), static_cast<int>(std::floor(p.x())),
              static_cast<int>(std::floor(p.y())));
}

void PlotImage::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!OnDoubleClick) {
        mousePressEvent(event);
        return;
    }
    const QPointF p = event->position();
    OnDoubleClick(event->button(), static_cast<int>(std::floor(p.x())),
                  static_cast<int>(std::floor(p.y())));
}

void PlotImage::leaveEvent(QEvent*) {
    if (OnLeave) OnLeave();
}

}  // namespace pirolex
