// SPDX-License-Identifier: GPL-3.0-or-later
// The interfaces between the host console and a loadable module, and the
// services the console offers. Interfaces are abstract classes known by a
// QUuid; a service or a delegated interface is looked up by that identifier.
//
// Ownership: an interface object is held by std::shared_ptr, the counterpart
// of a counted interface reference. Whoever keeps a shared_ptr keeps the object
// alive; release it to let go. A snap-in and its viewer and navigator keep
// their console alive, so a host releases its snap-in, viewer and navigator
// (after destroying their frames) before it unloads the module, and the module
// releases its last references at unload. Widgets handed across (frames,
// grids) stay owned by the object that made them; see each accessor.
#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <QUuid>

#include <memory>

class QAction;
class QWidget;
class TDataSet;
class TDBGrid;
class TZConnection;

class IInterface {
public:
    virtual ~IInterface();
};

// What a module sees of the host console.
class IConsole : public IInterface {
public:
    ~IConsole() override;
    static constexpr QUuid IID{0xed527a55, 0xb71a, 0x4c14, 0xa4, 0xba, 0xdc, 0x5a, 0x3a, 0x58, 0xd7, 0xac};
    // The service with that identifier, or none when the console does not offer it.
    virtual std::shared_ptr<IInterface> GetService(const QUuid& iid) = 0;
    // Runs another module of the host (the print wizard: _CMN_PRINT_WIZ_NAME with
    // "title:...;header:..."); false when the console has no such module.
    virtual bool RunModule(const QString& moduleName, const QString& params) = 0;
    // The grid that the console prints; it stays owned by its form.
    virtual TDBGrid* GetPrintGrid() const = 0;
    virtual void SetPrintGrid(TDBGrid* grid) = 0;
};

// A service of the console as its interface T, or none.
template <class T> std::shared_ptr<T> ConsoleService(IConsole* console) {
    return console ? std::dynamic_pointer_cast<T>(console->GetService(T::IID)) : nullptr;
}

class ISnapin : public IInterface {
public:
    ~ISnapin() override;
    static constexpr QUuid IID{0x9f5125b9, 0xf525, 0x4580, 0x86, 0x10, 0x8c, 0x2b, 0xc1, 0x18, 0x87, 0xaf};
    virtual TDataSet* GetDataSet() const = 0; // owned by the module
    virtual QString GetDescription() const = 0;
    virtual QImage GetImage() const = 0;
    virtual QString GetName() const = 0;
    virtual int GetSnapinType() const = 0;
    virtual int GetModuleID() const = 0;
    // The object the snap-in hands out for an interface (IViewer, INavigable), or none.
    virtual std::shared_ptr<IInterface> QueryInterface(const QUuid& iid) const = 0;
};

template <class T> std::shared_ptr<T> QueryInterface(const std::shared_ptr<ISnapin>& snapin) {
    return snapin ? std::dynamic_pointer_cast<T>(snapin->QueryInterface(T::IID)) : nullptr;
}

// The main view of a snap-in: a frame with a grid and the module's commands.
class IViewer : public IInterface {
public:
    ~IViewer() override;
    static constexpr QUuid IID{0x308dc058, 0x773f, 0x4eb7, 0xa0, 0x4e, 0x67, 0x72, 0xc8, 0xa3, 0x5d, 0x60};
    // The frame is made and destroyed by the viewer; a host may put it into its
    // window but calls InternalDestroyFrame before that window goes.
    virtual void InternalCreateFrame() = 0;
    virtual void InternalDestroyFrame() = 0;
    virtual QWidget* GetFrame() const = 0;
    // The commands of the frame (owned by it), for the host's menu.
    virtual QList<QAction*> GetActionList() const = 0;
    virtual int GetModuleID() const = 0;
    virtual void Load(const std::shared_ptr<ISnapin>& snapin) = 0;
    virtual void Show() = 0;
    virtual void Hide() = 0;
};

// The search panel shown beside the viewer.
class INavigable : public IInterface {
public:
    ~INavigable() override;
    static constexpr QUuid IID{0xaaff7bdf, 0x545f, 0x48e3, 0x94, 0x86, 0x96, 0x55, 0x67, 0x89, 0x06, 0xc3};
    virtual void InternalCreateFrame() = 0;
    virtual void InternalDestroyFrame() = 0;
    virtual QWidget* GetFrame() const = 0;
    virtual void ShowNavigator() = 0;
    virtual void HideNavigator() = 0;
};

// The module's entry point hands out its one factory; it belongs to the module
// and stays valid until the module is unloaded.
class ISnapinFactory : public IInterface {
public:
    ~ISnapinFactory() override;
    static constexpr QUuid IID{0x95692012, 0x373a, 0x47b6, 0xbe, 0x3c, 0x9b, 0xe0, 0xb3, 0xd3, 0x73, 0x92};
    virtual std::shared_ptr<ISnapin> GetSnapin(const std::shared_ptr<IConsole>& console) = 0;
};

extern "C" {
using TGetSnapinFactory = ISnapinFactory* (*)();
}
inline constexpr char GetSnapinFactoryName[] = "GetSnapinFactory";

// The security service: the host's database connection and the login on it.
class ISecurityService : public IInterface {
public:
    ~ISecurityService() override;
    static constexpr QUuid IID{0x3495c3ac, 0xf17f, 0x440c, 0x85, 0x71, 0x96, 0xaa, 0xa0, 0x91, 0xca, 0xf2};
    // The connection belongs to the host and outlives every module.
    virtual TZConnection* GetConnection() = 0;
    // Logs in; afterwards the connection is connected. Throws EDatabaseError.
    virtual void OpenSession() = 0;
};

struct TEmployeeDesc {
    qint64 employeeId = 0;
    QString firstName;
    QString lastName;
    QString code;
};

// The employee chooser of the host's personnel module.
class IEmployeeChooser : public IInterface {
public:
    ~IEmployeeChooser() override;
    static constexpr QUuid IID{0x8324fd38, 0xec88, 0x40d3, 0x94, 0x12, 0x6d, 0x0d, 0xef, 0xfd, 0xab, 0x99};
    // True and a record set on the chosen employee (employeeid, firstname,
    // lastname, ...), which the caller then holds; false when the user cancels.
    virtual bool ChooseEmployee(std::shared_ptr<TDataSet>& employee) = 0;
    virtual bool ChooseEmployeeDesc(TEmployeeDesc& desc) = 0;
    virtual void ShowEmployee(qint64 employeeID) = 0;
};
