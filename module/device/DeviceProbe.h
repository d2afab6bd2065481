// SPDX-License-Identifier: GPL-3.0-or-later
// "Proveri uređaj": asks a door's device to describe itself (GetDeviceInfo), the
// first thing an installer does with a new door. Widget-free: the dialog
// "Pristupne tačke" and `horlo point probe` share it.
#pragma once

#include "module/device/AccessPoint.h"
#include "module/device/protocol/DeviceProtocol.h"

#include <QString>
#include <QStringList>

struct TProbeSettings {
    int replyWaitMs = 1000; // each request is waited for this long
    int requests = 3;       // and sent at most this often
};

struct TProbeOutcome {
    bool answered = false; // the device described itself
    TDeviceInfo info;
    int requests = 0; // sent
    QString error;    // why there is no description: it cannot be asked, or it does not answer
};

// Opens the door's endpoint (exclusive: not while an import on this machine reads the
// device), sends GetDeviceInfo and waits for a description; a request without one is
// sent again until the settings' cap. On the application's thread the wait lets the
// windows paint but takes no user input.
TProbeOutcome ProbeDevice(const TAccessPoint& door, const TProbeSettings& settings = {});

// What the device said, a line each: model, firmware, hardware, memory, users, log records.
QStringList ProbeReport(const TProbeOutcome& outcome);
