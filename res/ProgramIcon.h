#pragma once

#include <QIcon>

// The program's icon (a drive's blue plate with a white "V"), drawn at the usual sizes.
QIcon ProgramIcon();
