#pragma once

#include "widgets/TInsetAlignment.h"

#include <QFrame>
#include <QPointer>

class QVBoxLayout;

// A plain panel that hosts one whole form, borderless and filling the panel.
//
// Help contexts are the dynamic property "helpContext" (an int, 0 = none) on
// the hosted form and on the panel's top-level window. With TrapHelp on, a
// parent window without a context of its own borrows the hosted form's while
// the form is hosted.
class TFormPanel : public QFrame
{
    Q_OBJECT
public:
    static constexpr const char* HelpContextProperty = "helpContext";

    explicit TFormPanel(QWidget* parent = nullptr);
    ~TFormPanel() override;

    QWidget* Form() const { return form; }
    // Hosts form (or none). A previously hosted form is hidden, undocked
    // (given back to the parent it had before) and closed. After docking,
    // the form's slot "FormActivate()" is called once when it has one.
    void SetForm(QWidget* newForm);

    bool TrapHelp() const { return trapHelp; }
    void SetTrapHelp(bool value) { trapHelp = value; }

    TAlignOffset& AlignOffset() { return alignment.AlignOffset(); }
    QWidget* BaseControl() const { return alignment.BaseControl(); }
    void SetBaseControl(QWidget* control) { alignment.SetBaseControl(control); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ReleaseForm();
    void LendHelpContext();
    void TakeBackHelpContext();

    TInsetAlignment alignment;
    QVBoxLayout* formLayout;
    QPointer<QWidget> form; // forgets a form destroyed elsewhere
    QPointer<QWidget> formOwner;
    bool ownsForm = false;
    bool trapHelp = false;
    bool lentHelpContext = false;
};
