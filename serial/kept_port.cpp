#include "serial/kept_port.h"

#include "platform/serial.h"
#include "state/app_state.h"

void KeepPortInUse() {
    App.StoredComPort = SerialPortKeptName(App.ComPort);
}
