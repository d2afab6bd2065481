// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/console/HostIntf.h"

// Out-of-line destructors anchor the interfaces' type information in vcommon,
// so that the console and a module cast and catch with the same types.
IInterface::~IInterface() = default;
IConsole::~IConsole() = default;
ISnapin::~ISnapin() = default;
IViewer::~IViewer() = default;
INavigable::~INavigable() = default;
ISnapinFactory::~ISnapinFactory() = default;
ISecurityService::~ISecurityService() = default;
IEmployeeChooser::~IEmployeeChooser() = default;
