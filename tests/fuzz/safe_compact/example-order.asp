<%@ LANGUAGE="VBSCRIPT" %>
<%
  Dim strName, intLoaves
  strName   = Request.Form("name")
  intLoaves = Request.Form("loaves")
  If intLoaves = "" Then intLoaves = 1
%>
<html>
<head>
<title>Order online - Millbrook Bakery</title>
</head>
<body>
  <h1>Order   online</h1>
  <% If strName <> "" Then %>
    <p>Thank you,   <%= Server.HTMLEncode(strName) %>.</p>
    <p>We will keep   <%= intLoaves %>   loaves for you.</p>
  <% Else %>
    <form  method="post"  action="order.asp">
      <p>Name:  <input  type="text"  name="name"  size="30"></p>
      <p>Loaves:  <input  type="text"  name="loaves"  value="1"  size="3"></p>
      <p><input  type="submit"  value="Keep  them  for  me"></p>
    </form>
  <% End If %>
  <%
    Response.Write "<p class=""small"">Orders   close at   noon.</p>"
  %>
  <!---->
</body>
</html>
