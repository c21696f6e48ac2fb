// The parameter fields that act at once, before anything is sent (tolerance,
// trigger threshold, teach value, P-mode), and the upload of a linearisation
// table into the sensor's X-FLASH.
#pragma once

#include <cstdint>

#include "core/frame.h"

// The table last read from a linearisation file, as the flash takes it.
extern std::uint16_t linArray[core::kLinTableWords];

// Asks for a linearisation file and puts its table words into `dest`. 0 when
// a file was chosen and read; otherwise non-zero and `dest` untouched: 1 when
// the operator cancelled, -1 when the file is no table (said on the status line).
int ReadLinDataFromFile(std::uint16_t* dest);

int CC_NUMToleranceUP(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_NUMToleranceLO(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_NUMTriggThresholdA(int panel, int control, int event, void* callbackData, int eventData1,
                          int eventData2);
int CC_NUMTriggThresholdB(int panel, int control, int event, void* callbackData, int eventData1,
                          int eventData2);
int CC_NUMTeachA(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_NUMTeachB(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_DROPpmodeA(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_DROPpmodeB(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_BTNWriteXFMA(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_BTNWriteXFSL(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
