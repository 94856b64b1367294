#pragma once

#include "link/CommandTables.h"
#include "link/LinkLayer.h"
#include "pages/shared/ControlPage.h"
#include "platform/MessageBox.h"
#include "shell/Globals.h"
#include "tests/support/ScriptedTransaction.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <gtest/gtest.h>

// What starting and stopping the tuning page's default wave sends, on a drive in mode 0x1234.
inline const QStringList kWaveStart = { "GMOD", "SMOD4665", "SAT655363000", "SWM1" };
inline const QStringList kWaveStop = { "SMOD4609", "SWM0" };

// A chart page or its controller against a scripted drive: the command tables loaded, a
// drive connected on the channel given, message boxes kept instead of shown; the channel
// and the connected flag are put back afterwards. Controls of the page set in `shown`
// are found by their ids.
class ChartPageTest : public ::testing::Test {
protected:
    void Connect(int comType)
    {
        InitCommandTables();
        m_savedComType = g_nComType.load();
        m_savedConnected = g_bDriveConnected.load();
        g_nComType = comType;
        g_bDriveConnected = 1;
        SetMessageBoxHandler([this](const MessageBoxRequest& request) {
            boxes << request.text;
            return IDOK;
        });
    }
    void TearDown() override
    {
        SetMessageBoxHandler({});
        g_nComType = m_savedComType;
        g_bDriveConnected = m_savedConnected;
    }

    QAbstractButton* Button(int id) { return qobject_cast<QAbstractButton*>(shown->GetDlgItem(id)); }
    QLineEdit* Edit(int id) { return qobject_cast<QLineEdit*>(shown->GetDlgItem(id)); }
    void Click(int id) { Button(id)->click(); }
    QStringList TakeCommands()
    {
        const QStringList commands = link.Commands();
        link.Clear();
        return commands;
    }

    ScriptedTransaction link;
    QStringList boxes;
    ControlPage* shown = nullptr;

private:
    int m_savedComType = 0;
    int m_savedConnected = 0;
};
