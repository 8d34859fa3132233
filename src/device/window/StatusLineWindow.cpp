// The main window's status line: the identity of the device whose data is in
// the register image, and the firmware version the other commands compare.
#include "device/DeviceTypes.h"
#include "device/PowerTable.h"
#include "device/RegisterImage.h"
#include "device/RegisterMap.h"
#include "device/StatusLine.h"
#include "platform/Text.h"
#include "platform/window/Dialogs.h"
#include "shell/LogFile.h"
#include "shell/window/Form1.h"

#include <QLabel>

void TForm1::UpdateStatusLine() {
    const StatusLineTexts s =
        ComposeStatusLine(RegisterImage, RegisterMap, ModelNames, DeviceFamily, LowPowerModule);
    if (!s.FirmwareValid) {
        const std::string text = GetText("$T30005");
        ErrorBox(text);
        if (LogFile)
            LogFile->WriteVisible(text);
        SetImageCell(RegisterMap.firmware, 0);
        return;
    }
    FirmwareVersion = s.FirmwareVersion;
    FirmwareHundredths = s.FirmwareHundredths;
    if (!s.TypeKnown) {
        Dialogs::ShowMessage(s.UnknownTypeMessage);
        if (LogFile)
            LogFile->WriteVisible(s.UnknownTypeLogLine);
    }
    for (size_t i = 0; i < s.Panels.size(); ++i)
        if (StatusPanels[i])
            StatusPanels[i]->setText(ToQString(s.Panels[i]));
}
