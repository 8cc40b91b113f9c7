#pragma once

namespace mivora {

// Opens the desktop's own settings pages.
class SettingsPages {
public:
    enum class Page { microphone, accessibility, keyboard };

    virtual ~SettingsPages() = default;
    // Opens the desktop's page for `page`; false when this desktop has no such page.
    virtual bool open(Page page) = 0;
};

} // namespace mivora
