// Header of the main panel: maker logo, maker lines, program name and version.
#pragma once

void ShowLogo(int style);
void ShowInfoText(int unused, int backgroundColor, int textColor, const char* text, int left, int top,
                  int pointSize);
