// Port discovery: which COM ports can be opened, for the port list.
#pragma once

// Probes COM1 up to MaxPortNo on the probe port and keeps the names of those that open in
// App.FoundPorts; tells the user when none opens.
void PortScan();
