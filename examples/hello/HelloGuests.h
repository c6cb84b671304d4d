#pragma once
// The guests of hello.bpl: the class node «Гости» lists the rows of table GOSTI, and each
// guest's node shows a form where the name and the greeting are edited and saved.

namespace HelloGuests {

// Registers the two classes with the guest's form, and takes them back.
void Register();
void Unregister();

} // namespace HelloGuests
