// The whole form and control layer in one include.
#pragma once

#include "ui/application.h"
#include "ui/component.h"
#include "ui/control.h"
#include "ui/dialogs.h"
#include "ui/form.h"
#include "ui/graphics.h"
#include "ui/listview.h"
#include "ui/menu.h"
#include "ui/pagecontrol.h"
#include "ui/picture.h"
#include "ui/stdctrls.h"
#include "ui/timer.h"
