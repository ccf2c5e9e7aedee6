// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
/* Resource numbers of the pictures built into quorvella.exe: shared by the program's .rc file
   and the binding, which loads the pictures by them. Explorer shows the program's named icon
   QUORVELLA_EXE (it sorts before every number), the window its own IDI_QUORVELLA. Plain C
   preprocessor, so windres can read it. */
#ifndef QUORVELLA_WIN32_RESOURCE_IDS_H
#define QUORVELLA_WIN32_RESOURCE_IDS_H

#define IDI_QUORVELLA 1
#define IDI_STOPWATCH 2
#define IDI_FACE_SMILE 3
#define IDI_FACE_LAUGH 4
#define IDI_FACE_STRAIGHT 5
#define IDI_NOENTRY 6

#endif
