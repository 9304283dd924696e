' The control as a script engine drives it: created by ProgID, called by name, with omitted and
' by-reference arguments and the errors a page script reads. Prints one line per check and a summary;
' tools/test-windows.sh fails the run unless every check passed.
Option Explicit
Dim passed, failed, o, v
passed = 0
failed = 0

Sub Check(name, actual, expected)
  If CStr(actual) = CStr(expected) Then
    passed = passed + 1
  Else
    failed = failed + 1
    WScript.Echo "FAILED " & name & ": got [" & actual & "], expected [" & expected & "]"
  End If
End Sub

Set o = CreateObject("VerolinSystem.VerolinActivex")
Check "fresh GetSetType", o.GetSetType, "1"
o.activeform = "http://127.0.0.1/exchange.asp"
Check "property round trip", o.ActiveForm, "http://127.0.0.1/exchange.asp"

On Error Resume Next
Err.Clear
o.PrintView 1
Check "too many arguments", Err.Number, 450
Err.Clear
o.UnlockOnlyRevisions
Check "too few arguments", Err.Number, 450
Err.Clear
o.ShowRevisions "not a truth value"
Check "type mismatch", Err.Number, 13
Err.Clear
o.NoSuchMember
Check "unknown member", Err.Number, 438
On Error GoTo 0

' A second control on the same thread sees the first one's state.
Dim second
Set second = CreateObject("VerolinSystem.VerolinActivex")
o.ServerFilePath = "/docs/a.doc"
Check "shared state", second.ServerFilePath, "/docs/a.doc"
Set second = Nothing
Set o = Nothing

WScript.Echo "com_script: " & passed & " passed, " & failed & " failed"
