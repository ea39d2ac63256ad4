#pragma once

// Dynamic widget properties that tune the style; a property of the wrong type counts as
// absent.
namespace Tessera::Properties {

// Tessera::UserPalette: the toolkit colours a widget sets itself.
inline constexpr char UserPalette[] = "tsr_user_palette";
// Tessera::SizePolicy: the size wished for a menu, and the one last applied.
inline constexpr char MenuSizePolicy[] = "tsr_menu_size_policy";
inline constexpr char MenuResolvedSizePolicy[] = "tsr_menu_res_size_policy";
// int: minimum width of a line edit in "x" advances.
inline constexpr char DisplayCharCount[] = "tsr_style_display_char_count";
// bool: no menu arrow on a tool button with a menu.
inline constexpr char MenuIndicatorHidden[] = "tsr_style_menu_indicator_hidden";
// QSpacerItem*: the spacer that gives a message box its minimum size.
inline constexpr char MessageBoxSpacer[] = "tsr_style_message_box_spacer";

} // namespace Tessera::Properties
