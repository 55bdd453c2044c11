<!-- #include file="header.inc" -->
<%
Sub ShowMenu(current)
  Dim items, i
  items = Array("Home", "Products", "Contact")
  For i = 0 To UBound(items)
    If items(i) = current Then
      Response.Write "<li class=""here"">" & items(i) & "</li>" & vbCrLf
    Else
      Response.Write "<li><a href=""" & LCase(items(i)) & ".asp"">" & items(i) & "</a></li>" & vbCrLf
    End If
  Next
End Sub
%>
<script language="VBScript" runat="server">
Function Pad(s, n)
  If Len(s) >= n Then Pad = s Else Pad = Space(n - Len(s)) & s
End Function
</script>
<div id="menu">
  <ul><% ShowMenu "Products" %></ul>
</div>
<div id="list">
<% Dim k : For k = 1 To 5 %>
  <div class="item"><%= Pad(CStr(k), 3) %>. <%
    If k Mod 2 = 1 Then
      Response.Write "odd"   ' odd rows
    Else
      Response.Write "even"
    End If %></div>
<% Next %>
</div>
<textarea name="notes"><%= Session("notes") %>
  keep   this</textarea>
<!--#include file="footer.inc" -->
