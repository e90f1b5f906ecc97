' Late-bound use of the control, as any script host does it.
Option Explicit
Dim failures : failures = 0

Sub Check(what, actual, expected)
    If CStr(actual) <> CStr(expected) Then
        WScript.Echo "FAIL " & what & ": got [" & actual & "], expected [" & expected & "]"
        failures = failures + 1
    End If
End Sub

Dim progId, o
For Each progId In Array("DorvikFTP.DorvikFTPCtrl", "DorvikFTP.DorvikFTPCtrl.1")
    Set o = CreateObject(progId)

    ' Defaults of a fresh control.
    Check progId & " ServerName", o.ServerName, ""
    Check progId & " ServerPort", o.ServerPort, 21
    Check progId & " Username", o.Username, ""
    Check progId & " Password", o.Password, ""
    Check progId & " BinaryMode", o.BinaryMode, 1
    Check progId & " PassiveMode", o.PassiveMode, 1
    Check progId & " Timeout", o.Timeout, 30
    Check progId & " MaxBandwidth", o.MaxBandwidth, 0
    Check progId & " ProxyName", o.ProxyName, ""
    Check progId & " ProxyPort", o.ProxyPort, 1080
    Check progId & " ProxyUserID", o.ProxyUserID, ""
    Check progId & " ProgressID", o.ProgressID, ""
    Check progId & " Busy", o.Busy, 0
    Check progId & " LastServerResponse", o.LastServerResponse, 0
    Check progId & " LastServerResponseText", o.LastServerResponseText, ""
    Check progId & " FileListing", o.FileListing, ""
    Check progId & " CurrentWorkingDirectory", o.CurrentWorkingDirectory, ""
    Check progId & " IsConnected", o.IsConnected, 0
    Check progId & " Version", o.Version, "1.0.0.0"
    Set o = Nothing
Next

' The plain properties keep what they are given, unchecked and unclamped.
Set o = CreateObject("DorvikFTP.DorvikFTPCtrl")
o.ServerName = "ftp.example.test" : Check "ServerName", o.ServerName, "ftp.example.test"
o.ServerPort = 70000 : Check "ServerPort", o.ServerPort, 70000
o.Username = "anna" : Check "Username", o.Username, "anna"
o.Password = "s3cret" : Check "Password", o.Password, "s3cret"
o.BinaryMode = 0 : Check "BinaryMode", o.BinaryMode, 0
o.PassiveMode = 7 : Check "PassiveMode", o.PassiveMode, 7
o.Timeout = -1 : Check "Timeout", o.Timeout, -1
o.MaxBandwidth = 65536 : Check "MaxBandwidth", o.MaxBandwidth, 65536
o.ProxyName = "127.0.0.1" : Check "ProxyName", o.ProxyName, "127.0.0.1"
o.ProxyPort = 0 : Check "ProxyPort", o.ProxyPort, 0
o.ProxyUserID = "socksuser" : Check "ProxyUserID", o.ProxyUserID, "socksuser"
o.ProgressID = "DorvikFTP1A" : Check "ProgressID", o.ProgressID, "DorvikFTP1A"
o.ServerPort = "2121" : Check "ServerPort from text", o.ServerPort, 2121
o.ServerName = "" : Check "ServerName emptied", o.ServerName, ""

' A failing method reaches the script as a run-time error from the control's error object.
On Error Resume Next
o.Connect
Check "Err.Number", Err.Number, -2147352567
Check "Err.Source", Err.Source, "DorvikFTP.DorvikFTPCtrl.1"
If Len(Err.Description) = 0 Then
    WScript.Echo "FAIL Err.Description is empty"
    failures = failures + 1
End If
Err.Clear
On Error GoTo 0

If failures = 0 Then WScript.Echo "DONE"
