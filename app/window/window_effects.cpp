#include "window_effects.h"

#include "widgets.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QToolButton>

namespace pirolex {

namespace {

// Input while the 1D animation waits. Nothing reaches a control, so nothing happens afterwards
// that the user did while the controls could not answer; the picture and the way out answer at
// once. Painting, resizing and closing the window go on as usual.
class AnimationInput : public QObject {
public:
    AnimationInput(QWidget* picture, QWidget* exitButton, std::function<void()> stop,
                   std::function<void()> exit)
        : picture_(picture), exitButton_(exitButton), stop_(std::move(stop)), exit_(std::move(exit)) {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~AnimationInput() override { QCoreApplication::instance()->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!watched->isWidgetType()) return false;
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            if (watched == exitButton_) exit_();
            if (watched == picture_) stop_();
            return true;
        case QEvent::ShortcutOverride:
            // Taken here, so that no key's command runs in the middle of a picture.
            event->accept();
            return true;
        case QEvent::KeyPress: {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Q && key->modifiers() == Qt::ControlModifier) exit_();
            if (key->key() == Qt::Key_Escape) stop_();
            return true;
        }
        case QEvent::Close: stop_(); return false;
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd: return true;
        default: return false;
        }
    }

private:
    QWidget* picture_;
    QWidget* exitButton_;
    std::function<void()> stop_;
    std::function<void()> exit_;
};

}  // namespace

void WindowEffects::PresentPlot() { parts_.present(); }

void WindowEffects::ShowImage() { parts_.picture->show(); }

void WindowEffects::ShowGauge(bool visible) { parts_.gauge->setVisible(visible); }

void WindowEffects::GaugeProgress(int value) {
    parts_.gauge->SetProgress(value);
    parts_.gauge->repaint();
}

void WindowEffects::Pause(int milliseconds) {
    if (stopped_) return;
    const AnimationInput input(parts_.picture, parts_.exitButton, [this] { StopAnimation(); },
                               [this] {
                                   StopAnimation();
                                   parts_.exit();
                               });
    animating_ = true;
    parts_.pause(milliseconds);
    animating_ = false;
}

}  // namespace pirolex
