// The toolkit in one include: windows, controls, the XML builder, rendering and strings.
#pragma once

#include "duilib/UIBase.h"
#include "duilib/UIBuilder.h"
#include "duilib/UIContainer.h"
#include "duilib/UIControl.h"
#include "duilib/UICulture.h"
#include "duilib/UIDefine.h"
#include "duilib/UIEdit.h"
#include "duilib/UIImage.h"
#include "duilib/UILabel.h"
#include "duilib/UIManager.h"
#include "duilib/UIRender.h"
#include "duilib/UITextLayout.h"
#include "duilib/WindowImplBase.h"
