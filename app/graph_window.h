// The graph window: the session's measurements drawn anew after each tick's log line, the
// commands that show it and save it as a PNG image, and its events.
#pragma once

// "Show graph": opens the graph window where the settings put it, or brings it to the front.
void ShowGraphCommand();
// "Save Graph As...": the graph at its window's size (the remembered size while it is not
// shown) as a PNG file, through Save As and the safe save.
void SaveGraphCommand();

// Draws the graph anew when the measurements changed since it was drawn last; the event loop
// calls it after each handler, never during one.
void RedrawGraphIfChanged();
// What the graph window reported: a new size, or a request to close it.
void OnGraphWindowEvent(int kind);
// Closes the graph window, keeping its place and size for the settings.
void CloseGraph();
