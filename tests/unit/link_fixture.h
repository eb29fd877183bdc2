// A window with its log and the link to COM7 ready, as the handlers that talk to the controller
// find them; each test puts what it needs at the other end of the line.
#pragma once

#include "app_fixture.h"
#include "platform/window.h"
#include "serial/command_exchange.h"
#include "serial/serial_port.h"
#include "window/log_view.h"

class LinkTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        CloseAllPorts();
        OpenMainWindow(L"Tockmeter!", 200, 200, 468, 287);
        CreateLogView(10, 35, 448, 242);
        MakeLinkBuffers();
        App.ComPort = L"com7";
        App.SerialSpeed = L"38400";
    }
    void TearDown() override { CloseAllPorts(); }
};
