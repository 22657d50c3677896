#pragma once
// Pictures of the window for the documentation, taken under a virtual display:
// MOBREL_SCREENSHOT=file.png saves the window there once it has been laid out and drawn,
// and ends the program. MOBREL_SCREENSHOT_ACTION names an action (its object name, such as
// a_uTest) to trigger first, and MOBREL_SCREENSHOT_BUTTON a button of the window it opens to
// press (such as "Details..."); the picture then shows the windows it opened over the main
// window.
class TForm1;

void ScheduleScreenshot(TForm1& form);
