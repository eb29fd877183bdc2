// Port discovery: which serial ports can be opened, for the port list.
#pragma once

// Probes the ports the platform names (SerialPortNames(MaxPortNo)) on the probe port and keeps
// the names of those that open in App.FoundPorts. Tells the user, in one message, which ports
// are there but may not be opened and why (when the platform can say), and when none opens.
void PortScan();
