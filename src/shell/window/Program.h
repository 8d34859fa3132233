#pragma once
// The program's entry: single-instance rule, the forms in their order, the
// message loop. Returns 0 in every case.

int WinMain(int argc, char** argv);

class TForm2;
class TAboutBox;
class TOKBottomDlg;
class TPasswordDlg;
class TForm4;
class Tstwaehlen;
class TKonverterDlg1;
class Tdatenladen1;
class TFileListDialog;
class TForm5;
class TpSchnittstelle;
class TFormPreSets1;
class SingleInstance;

extern TForm2* Form2;
extern TAboutBox* AboutBox;
extern TOKBottomDlg* OKBottomDlg;
extern TPasswordDlg* PasswordDlg;
extern TForm4* Form4;
extern Tstwaehlen* stwaehlen;
extern TKonverterDlg1* KonverterDlg1;
extern Tdatenladen1* datenladen1;
extern TFileListDialog* FileListDialog;
extern TForm5* Form5;
extern TpSchnittstelle* pSchnittstelle;
extern TFormPreSets1* FormPreSets1;
// The running instance's claim on its title; released when the helpers go.
extern SingleInstance* InstanceMutex;

// Creates the 13 forms in the program's order (the main window first, with
// its start-up run); FormOrder lists their object names in that order.
void CreateForms();
// Deletes them again, the main window last.
void DestroyForms();
extern const char* const FormOrder[13];
