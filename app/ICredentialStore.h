#pragma once
// Where the sign-in page keeps the last user id and password between runs. The page sees only this;
// the storage behind it is the settings store (or a test's own).

#include <string>
#include <string_view>

class ICredentialStore {
public:
    virtual ~ICredentialStore() = default;

    // Fills each string from its saved value; leaves a string unchanged when its value cannot be
    // read. Failures are silent: a missing store only means nothing is filled in.
    virtual void LoadCredentials(std::string& userId, std::string& password) = 0;
    // Saves both texts exactly (empty ones too), as one change; false when they could not be
    // saved (the page says so: the user would otherwise expect them at the next start).
    [[nodiscard]] virtual bool SaveCredentials(std::string_view userId,
                                               std::string_view password) = 0;
};
