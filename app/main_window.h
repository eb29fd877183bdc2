// The main window: four drop-down lists and three buttons along its top, the log below them.
#pragma once


// Sets up the window layer and reads the display's resolution for font sizes.
void SetUpWindowLayer();

// Makes the log font and sets the log view's top edge; done with the settings at start-up.
void LoadLogFont();

// Opens the window, creates and fills its controls, sets the lists from the settings, drains
// the first events, scans the COM ports and fills the port list.
void BuildMainWindow();

// Fits the log view to the window's current inner size.
void ResizeLogView();
