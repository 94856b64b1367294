#pragma once

#include <QSettings>
#include <memory>

// The user's profile: one INI file under the organisation "DADEZ", application "Velquarin".
// Each caller gets its own QSettings object (they are not shared between threads); objects
// on the same file see one another's writes within the process.
std::unique_ptr<QSettings> OpenProfile();
