// SPDX-License-Identifier: GPL-3.0-or-later
// The sizes of the employee table's text columns. Every list that shows them
// takes these, so that no name or job is cut shorter than it is stored.
#pragma once

namespace EmployeeColumnSize {
inline constexpr int Firstname = 50;
inline constexpr int Lastname = 50;
inline constexpr int Code = 20;
inline constexpr int PersonalIdentificator = 20;
inline constexpr int Vocation = 100;
inline constexpr int OrganizationUnit = 100;
inline constexpr int ForeignVocation = 100;
inline constexpr int ContractType = 50;
} // namespace EmployeeColumnSize
