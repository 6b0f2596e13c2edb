// The program's resources as plain data: dialog templates (rectangles in
// dialog units, styles with Windows' values) and the string table, in the
// platform's forms (win32_resources.h); RegisterProgramResources hands them
// to the platform.
#pragma once

#include <windows.h>
#include <win32_resources.h>

// The id of controls the code never addresses. Windows' headers leave it to
// the resource headers of each program.
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// The dialog template with this id, or null.
const DialogResource* FindDialogResource(int id);
// Every dialog template in turn, for the tools that write the templates out:
// DialogResourceAt(0) ... DialogResourceAt(DialogResourceCount() - 1).
int DialogResourceCount();
const DialogResource* DialogResourceAt(int index);
// The text of string `id` of the string table, or null.
const char* FindStringResource(UINT id);
// The string table's ids in ascending order, for tools that write the whole
// table out: StringResourceId(0) ... StringResourceId(StringResourceCount() - 1).
int StringResourceCount();
UINT StringResourceId(int index);
