// The scheduled task's definition, read back as Task Scheduler reads it: Wine's task store keeps
// neither triggers nor command, so this is where they are checked.
#include "packaging/ReminderTask.h"
#include "packaging/Utf8.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <string>

namespace {

std::string Text(const tinyxml2::XMLElement* parent, const char* path) {
    const tinyxml2::XMLElement* element = parent;
    for (std::string rest = path; element != nullptr && !rest.empty();) {
        const std::size_t slash = rest.find('/');
        element = element->FirstChildElement(rest.substr(0, slash).c_str());
        rest = slash == std::string::npos ? "" : rest.substr(slash + 1);
    }
    return element == nullptr || element->GetText() == nullptr ? "<missing>" : element->GetText();
}

TEST(ReminderTask, DefinitionRunsTheReminderForEveryUserWithoutElevation) {
    tinyxml2::XMLDocument document;
    ASSERT_EQ(document.Parse(ToUtf8(ReminderTask::TaskXml(L"C:\\R&D <Tools>\\Lullgate\\")).c_str()),
              tinyxml2::XML_SUCCESS);
    const tinyxml2::XMLElement* task = document.FirstChildElement("Task");
    ASSERT_NE(task, nullptr);
    // The Users group, not one account; least privilege; the actions run as that principal.
    const tinyxml2::XMLElement* principal = task->FirstChildElement("Principals")->FirstChildElement("Principal");
    ASSERT_NE(principal, nullptr);
    EXPECT_EQ(Text(principal, "GroupId"), "S-1-5-32-545");
    EXPECT_EQ(Text(principal, "RunLevel"), "LeastPrivilege");
    EXPECT_EQ(Text(principal, "UserId"), "<missing>");
    EXPECT_STREQ(task->FirstChildElement("Actions")->Attribute("Context"), principal->Attribute("id"));
    // The folder's name comes through escaped and unchanged.
    EXPECT_EQ(Text(task, "Actions/Exec/Command"), "C:\\R&D <Tools>\\Lullgate\\LullgateReminder.exe");
    // Whoever signs in (no UserId), and daily at 10:00 local time (no zone in the start).
    EXPECT_EQ(Text(task, "Triggers/LogonTrigger/Enabled"), "true");
    EXPECT_EQ(Text(task, "Triggers/LogonTrigger/UserId"), "<missing>");
    const std::string start = Text(task, "Triggers/CalendarTrigger/StartBoundary");
    EXPECT_TRUE(start.ends_with("T10:00:00")) << start;
    EXPECT_EQ(Text(task, "Triggers/CalendarTrigger/ScheduleByDay/DaysInterval"), "1");
}

} // namespace
