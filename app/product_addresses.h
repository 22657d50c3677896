#pragma once
// The product's own web pages and the author's e-mail address, for the help and about
// windows.
#include <string>

inline constexpr const char* kJavaScriptTutorialPage = "https://mobrel.example/learn/javascript/";
inline constexpr const char* kHtmlTutorialPage = "https://mobrel.example/learn/html/";
inline constexpr const char* kEditorPageShown = "https://mobrel.example/editor/";
inline constexpr const char* kEditorPromotionPage = "https://mobrel.example/editor/search-engines/";
inline constexpr const char* kOtherProductsPage = "https://mobrel.example/software/";
inline constexpr const char* kEditorTutorialPage = "https://mobrel.example/editor/tutorial/";
inline constexpr const char* kDonationPage = "https://mobrel.example/donate/";
inline constexpr const char* kHomePage = "https://mobrel.example/";
inline constexpr const char* kContentsPage = "https://mobrel.example/contents/";

// Put together at run time, so the address isn't lying in the program as one string for
// address harvesters to find.
inline std::string AuthorEmailAddress() {
    return std::string("tollan") + "@" + "mobrel.example";
}
