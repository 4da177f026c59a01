// Numbers of the page tests' own template: a window that hosts a page as the main window does.
#pragma once

#define IDD_PAGE_TEST_HOST 7101
