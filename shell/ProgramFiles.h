#pragma once

#include <QString>
#include <atomic>

class QFont;
class QWidget;

// The folder of the executable, ending with '/': read-only data lies here (drive names,
// version, settings, the manual). Filled on the first call; later calls return the
// same string.
const QString& GetModuleFolderPath();

// The folder that holds the program's read-only data file `fileName`, ending with '/': the
// program folder when the file lies there (a build folder, a copied program), else the
// installed data folder share/velquarin beside the program's bin/ when the file lies
// there, else the program folder again (where the file is looked for and missed).
QString GetDataFolderPath(const QString& fileName, const QString& programFolder = GetModuleFolderPath());

// Where the program writes files of its own: the program folder when the user may write
// there, else the per-user application data folder (created when missing). Ends with '/'.
// Asked anew each time, and only after the application has set its names.
QString GetWritableFolderPath();

// The maker's folder shared between its tools, under the user's data folder, ending
// with '/'. Filled on the first call; the main frame creates it at start.
const QString& GetSharedFolderPath();

inline const QString kDriverNameFile = QStringLiteral("QZNAME.qzi");

// Display name of a drive type: entry "D%04d" of the type in section "DriverName" of
// "QZNAME.qzi" in folder (where GetDataFolderPath finds it unless a test gives another). Without a
// readable file the name is "Unknow" and the result false; a missing entry gives an
// empty name and true. A name is cut to kDisplayNameChars characters. The file is read
// again only when it has changed since the last lookup. Safe from any thread.
bool GetDriverName(int type, QString& name, const QString& folder = GetDataFolderPath(kDriverNameFile));

// Splits a drive identity number (ten decimal digits whose first two are 10 to 22) into
// field A (first two digits - 10), field B, the type and the serial, stores A, B and the
// serial through the pointers given, and looks the type's name up as GetDriverName does
// (the result is the lookup's). An id outside 1000000000..2299999999 gives false and
// leaves name as it was. The id is signed 64-bit so that a reply parsed beyond 32 bits
// is refused, never wrapped into range.
bool DecodeDriveId(qint64 id, QString& name, int* fieldB = nullptr, int* fieldA = nullptr,
                   int* serial = nullptr, const QString& folder = GetDataFolderPath(kDriverNameFile));

// The font last made by SetWindowFontEx, or null. User-interface thread only.
extern QFont* g_hSharedFont;

// Makes a font (height 0: the default size, else that many pixels; bold 1: weight 700,
// else 200), keeps it as the shared font and gives it to the window. Qt text is
// Unicode, so the character set needs no handling.
void SetWindowFontEx(QWidget* window, const QString& face, int height, int charSet, int bold,
                     bool italic, bool underline, bool strikeOut);
// Both forget the shared font. A window keeps its own copy of a font it was given, so
// dropping ours never changes how a window looks.
void ResetSharedFont();
void DeleteSharedFont();

// State the pages note from their reply handlers and worker threads.
extern std::atomic<int> g_nPageStateA;
extern std::atomic<int> g_nPageStateB;
extern std::atomic<int> g_nPageStateC;
void SetPageStateA(int value);
void SetPageStateB(int value);
// 0 leaves the last value standing.
void SetPageStateC(int value);
