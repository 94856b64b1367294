#pragma once

#include "link/CommResult.h"
#include "link/DriveExchange.h"
#include "link/LinkTransaction.h"
#include "platform/DriveJob.h"

#include <QString>

#include <functional>

class QObject;

// What a page or the node-search bar works the drive with, handed in by the main window
// before either starts. Without one, the link's own transaction serves and nothing else is
// there: every other member may be empty, and callers treat an empty one as absent.
struct DriveContext {
    LinkTransaction transact = LinkTransactLocked; // every exchange of a page or the bar
    PollPause pollPause;                           // holds the status poll off the line
    std::function<bool()> pageRefuses; // the parameter page is busy (and told the user so)
    std::function<bool()> searchRuns;  // a node search runs
    std::function<CommResult(QObject* bar)> probe;          // asks a node for its drive type
    std::function<void()> setAllNodes;                      // the parameter page sets all nodes
    std::function<bool(int type, QString& name)> driveName; // a drive type's name
    std::function<void(const QString&)> searchStatus;       // the search bar's status line
    std::function<void(const QString&)> statusPane;         // the main window's status pane 2
    std::function<QString()> driveType;                     // the drive type the strip shows
};
