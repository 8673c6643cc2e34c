#pragma once
// Where the sign-in page keeps the last user id and password between runs. The page sees only this;
// the storage behind it is the settings store, the desktop's keyring (or a test's own).

#include <functional>
#include <string>
#include <string_view>

class ICredentialStore {
public:
    // Called at most once, on the thread that asked, with a password that came after the load.
    using PasswordArrived = std::function<void(const std::string& password)>;
    // Called exactly once, on the thread that asked, when a save has ended either way.
    using SaveFinished = std::function<void(bool saved)>;

    virtual ~ICredentialStore() = default;

    // Fills each string from its saved value; leaves a string unchanged when its value cannot be
    // read. Failures are silent: a missing store only means nothing is filled in.
    virtual void LoadCredentials(std::string& userId, std::string& password) = 0;
    // Saves both texts exactly (empty ones too), as one change; false when they could not be
    // saved (the page says so: the user would otherwise expect them at the next start).
    [[nodiscard]] virtual bool SaveCredentials(std::string_view userId,
                                               std::string_view password) = 0;

    // After LoadCredentials: a store whose password answers later (a keyring that may first ask
    // the user to unlock it) hands it to `arrived` when it comes within the store's bound. The
    // caller is never blocked; stores that read everything at once have nothing more to give.
    virtual void LoadPasswordLater(PasswordArrived arrived) { (void)arrived; }
    // A save that may end later; `finished` says whether the credentials reached a store.
    virtual void SaveCredentialsLater(std::string_view userId, std::string_view password,
                                      SaveFinished finished) {
        finished(SaveCredentials(userId, password));
    }
};
