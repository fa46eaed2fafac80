#pragma once
// Input held back while the window waits for work on another thread (a load, the search for
// passes): only the "Abbrechen" button answers; Esc and closing the window ask to cancel.

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QObject>
#include <QWidget>

#include <atomic>

namespace pirolex {

// While a load runs, the user's input reaches the "Abbrechen" button only. Esc and closing the
// window cancel. Input is held back at the widgets, not at the window's screen surface, so that
// a click still finds its way to the button.
class InputHold : public QObject {
public:
    InputHold(const QWidget* cancelButton, std::atomic<bool>& cancel)
        : cancelButton_(cancelButton), cancel_(cancel) {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~InputHold() override { QCoreApplication::instance()->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!watched->isWidgetType()) return false;
        switch (event->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) cancel_ = true;
            return true;
        case QEvent::Close:
            cancel_ = true;
            event->ignore();
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
            return watched != cancelButton_;
        default: return false;
        }
    }

private:
    const QWidget* cancelButton_;
    std::atomic<bool>& cancel_;
};

}  // namespace pirolex
