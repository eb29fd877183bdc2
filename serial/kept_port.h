// The port the settings keep: the user's own choice, under a name that finds the same adapter
// again after a replug, while the port in use (App.ComPort) may be one chosen for the user.
#pragma once

// The settings keep the port in use (App.StoredComPort from App.ComPort), under its lasting name
// where it has one: once the user chooses it in the list or uploads over it.
void KeepPortInUse();
