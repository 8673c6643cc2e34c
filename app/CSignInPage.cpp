#include "app/CSignInPage.h"

#include "res/DialogTemplates.h"

CSignInPage::CSignInPage(QWidget* parent)
    : dialog::CPropertyPage(res::SignInPageTemplate(), parent) {}
