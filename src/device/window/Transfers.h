#pragma once
// The main window's register model and transfers: the register-map load, the
// family set-up, the family writers and the transfers' status line.

// Loads the register map of DeviceFamily from steuerung.cfg in the program
// folder; on failure shows the message and sets DeviceFamily to 0.
void LoadSteuerungConfig();
// The family set-up routines of the read: enable the family's commands,
// hide the pages and load the register map (0x21, 0x10, or the family as set).
void SetupFamily33();
void SetupFamily16();
void SetupFamilyAsSet();
// The family writers of the write command (0x21, 0x10, 0x30/0xD0, 0x71).
void WriteSpecialRegisters33();
void WriteSpecialRegisters16();
void WriteSpecialRegisters();
void WriteSpecialRegisters113();
// A relock that the device took neither time: the log line and the message
// that the device may still be unlocked.
class TForm1;
void ReportRelockFailure(TForm1& form);
// The end of a failed exchange: normal cursor and "$T29002" in the transfers'
// status panel.
void ShowCommError();
// Empties the status line's panels.
void ClearStatusPanels();
