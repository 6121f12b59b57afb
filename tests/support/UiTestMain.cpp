// The main of test programs that open windows. It owns the GDI+ session for the whole run, as the
// program's own start does: started before the first test, shut down after the last one.
#include "duilib/UIImage.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const DuiLib::GdiplusSession gdiplus;
    return RUN_ALL_TESTS();
}
