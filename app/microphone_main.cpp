// The microphone module's entry point (see microphone_module.h).

#include "microphone.h"
#include "microphone_module.h"

#include <QtGlobal>

extern "C" __attribute__((visibility("default"))) void PIROLEX_MICROPHONE_ENTRY(
    std::unique_ptr<pirolex::InputDevices>* inputs) {
    // Qt Multimedia's back ends talk to the terminal when there is no sound server
    // ("pa_context_connect() failed"); the command says what matters in its own words.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    *inputs = pirolex::SystemInputDevices();
}
